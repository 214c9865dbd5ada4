#include "upload/ftp_thread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include <QTemporaryDir>
#include <fstream>
#include <memory>
#include <mutex>
#include <thread>

#include "foundation/platform.h"
#include "foundation/settings_store.h"
#include "tests/upload/fake_password_view.h"
#include "tests/upload/recording_store.h"
#include "tests/upload/stored_documents.h"
#include "tests/upload/test_certificates.h"
#include "tests/upload/test_servers.h"
#include "tools/sample_workspace/sample_workspace.h"
#include "upload/upload_command.h"
#include "workspace/mmt_data.h"
#include "workspace/workspace_paths.h"

namespace kb {
namespace {

const std::string kUser = "kbu";
const std::string kPassword = "upload7";
const test::ServiceAccount kAnn{"ann@example.com", "secret", "0123456789abcdef01234567"};

// Records what the upload shows, in order: "show", "label:<text>", "message:<caption>:<text>"
// (with "!" after message for the error icon) and "hide".
class RecordingView : public UploadView {
  public:
    void ShowUploadMessage(const std::string& text, const std::string& caption,
                           UploadIcon icon) override {
        Add(std::string(icon == UploadIcon::Error ? "message!:" : "message:") + caption + ":" +
            text);
    }
    void ShowProcessing() override { Add("show"); }
    void SetProcessingLabel(const std::string& text) override { Add("label:" + text); }
    void HideProcessing() override { Add("hide"); }

    std::vector<std::string> Events() {
        std::lock_guard lock(mutex_);
        return events_;
    }
    std::vector<std::string> Messages() {
        std::vector<std::string> messages;
        for (const auto& e : Events())
            if (e.rfind("message", 0) == 0)
                messages.push_back(e);
        return messages;
    }

  private:
    void Add(std::string event) {
        std::lock_guard lock(mutex_);
        events_.push_back(std::move(event));
    }
    std::mutex mutex_;
    std::vector<std::string> events_;
};

TEST(DocumentName, TellsTheServiceWhatTheFileIs) {
    const std::string file = "/w/Some folder/Coat.jpg";
    const struct {
        std::uint32_t type;
        std::string name;
    } cases[] = {
        {MeasureTableFile, "measure_tables/women/Coat.jpg"},
        {MeasurePicture, "measures/Anna/Coats/Coat.jpg"},
        {DesignerFile, "designers/Anna/Coat.jpg"},
        {CollectionFile, "collections/Anna/Coats/Coat.jpg"},
        {GarmentFile, "zefas/Anna/Coats/Coat.jpg"},
        {GarmentPicture, "styles/Anna/Coats/Coat.jpg"},
        {NoInstall, ""},
    };
    for (const auto& c : cases) {
        const DirectoryParser entry{true, file, c.type, "women"};
        EXPECT_EQ(DocumentName(entry, "Anna", "Coats"), c.name) << c.type;
    }
}

// Uploads against the HTTP test service, storing into a recording document store.
class UploadTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        service = std::make_unique<test::ServerProcess>(test::HttpServerCommand({kAnn}));
    }
    static void TearDownTestSuite() { service.reset(); }

    void SetUp() override {
        SetDocumentsFolder(documents.path().toStdString());
        SetSettingsFolder(SettingsRoot::CurrentUser, documents.path().toStdString());
        MakeSampleWorkspace(documents.path().toStdString());
        SetUploadConfig(Config(service->Port(), store));
    }
    void TearDown() override {
        SetUploadConfig({});
        SetSettingsFolder(SettingsRoot::CurrentUser, "");
        SetDocumentsFolder("");
    }

    // Timeouts that a loaded machine still meets on the loopback.
    static constexpr NetworkTimeouts kAmple{std::chrono::seconds(5), std::chrono::seconds(20)};

    // Settings for the service at servicePort that store into into.
    static UploadConfig Config(int servicePort, test::RecordingStore& into,
                               NetworkTimeouts timeouts = kAmple) {
        UploadConfig config;
        config.serviceAddress = "http://127.0.0.1:" + std::to_string(servicePort) + "/";
        config.databaseHost = "127.0.0.1";
        config.databaseUser = kUser;
        config.databasePassword = kPassword;
        config.timeouts = timeouts;
        config.storeHelper = test::StoreHelper();
        config.openStore = into.Factory();
        return config;
    }

    static ScanInputs Coats() {
        ScanInputs inputs;
        inputs.selection = {kSampleDesigner, kSampleCollection, DesignerFolder(kSampleDesigner),
                            CollectionFolder(kSampleDesigner, kSampleCollection),
                            MacroSourceFolder(0)};
        inputs.garments = {"Trench", "Duffle"};
        inputs.boxCollection = kSampleCollection;
        return inputs;
    }

    // The Upload command with a login that checks Ann's account.
    std::shared_ptr<FtpThread> Upload() {
        dialog.script = [](test::FakePasswordDialog& d) {
            d.Type(kAnn.email, kAnn.password);
            d.Process();
        };
        return StartUpload(dialog, view, dispatcher, Coats());
    }

    // Runs an upload of the sample collection for Ann with config, showing on shown.
    void UploadWith(const UploadConfig& config, RecordingView& shown) {
        auto thread = FtpThread::Start(dispatcher, shown, kSampleDesigner, kSampleCollection,
                                       kAnn.id, Coats(), config);
        thread->Wait();
    }

    std::vector<test::RecordedDocument> Stored() const { return store.Documents(); }

    static std::unique_ptr<test::ServerProcess> service;
    QTemporaryDir documents;
    test::RecordingStore store;
    test::FakePasswordDialog dialog;
    RecordingView view;
    DirectDispatcher dispatcher;
};

std::unique_ptr<test::ServerProcess> UploadTest::service;

TEST_F(UploadTest, StoresEveryFileOfTheCollectionInOrder) {
    auto thread = Upload();
    ASSERT_TRUE(thread);
    thread->Wait();

    const std::vector<std::string> expected = {
        // First pass: the scan's found files, in list order.
        "designers/Anna/Anna.jpg",
        "designers/Anna/Anna.txt",
        "collections/Anna/Coats/Coats.jpg",
        "collections/Anna/Coats/Coats.txt",
        "zefas/Anna/Coats/Trench.mac",
        "zefas/Anna/Coats/Trench.jpg",
        "zefas/Anna/Coats/Trench.html",
        "zefas/Anna/Coats/Trench.txt",
        "measure_tables/Women/Women.mmt",
        "measure_tables/Women/Women.jpg",
        "measure_tables/Women/Women.txt",
        "measures/Anna/Coats/bust.jpg",
        "measures/Anna/Coats/bust.txt",
        "measures/Anna/Coats/waist.jpg",
        "measures/Anna/Coats/waist.txt",
        "measures/Anna/Coats/hip.jpg",
        "measures/Anna/Coats/hip.txt",
        "styles/Anna/Coats/Trench_front.jpg",
        "styles/Anna/Coats/Trench_back.jpg",
        "styles/Anna/Coats/collar.txt",
        "styles/Anna/Coats/collar.jpg",
        "zefas/Anna/Coats/Duffle.mac",
        "zefas/Anna/Coats/Duffle.jpg",
        "zefas/Anna/Coats/Duffle.txt",
        "styles/Anna/Coats/Duffle_front.jpg",
        // Second pass over Women.mmt alone (its support files are no tables): its row
        // pictures, then its support files.
        "measure_tables/Women/bust.jpg",
        "measure_tables/Women/bust.txt",
        "measure_tables/Women/waist.jpg",
        "measure_tables/Women/waist.txt",
        "measure_tables/Women/hip.jpg",
        "measure_tables/Women/hip.txt",
        "measure_tables/Women/Women.jpg",
        "measure_tables/Women/Women.txt",
    };
    const auto stored = Stored();
    EXPECT_EQ(store.Names(), expected);
    for (const auto& doc : stored)
        EXPECT_EQ(doc.accountId, kAnn.id) << doc.name;

    const auto events = view.Events();
    ASSERT_GE(events.size(), 4u);
    EXPECT_EQ(events[0], "show");
    EXPECT_EQ(events[1], "label:Parce");
    EXPECT_EQ(events[2], "label:Anna.jpg");
    EXPECT_EQ(view.Messages(),
              std::vector<std::string>{"message:Processing:Processing " + kAnn.id});
    EXPECT_EQ(events.back(), "hide");
    const std::vector<std::pair<std::string, std::string>> verified{{"Account Verified", ""}};
    EXPECT_EQ(dialog.messages, verified);
}

// Names that differ in case from the table's row and the table file: found as on Windows and
// stored under their names on disk.
TEST_F(UploadTest, StoresFilesFoundWhateverTheCaseOfTheirNames) {
    const std::string root = documents.path().toStdString() + "/Bobbinwright/Personal Files/";
    // Through another name: a file system that ignores case may take a rename to the same name
    // in another case for no change.
    const auto renameCase = [](const std::string& from, const std::string& to) {
        std::filesystem::rename(from, to + ".renaming");
        std::filesystem::rename(to + ".renaming", to);
    };
    renameCase(root + "MeasurePictures/Women/bust.jpg", root + "MeasurePictures/Women/Bust.JPG");
    renameCase(root + "MeasureTables/Women.txt", root + "MeasureTables/WOMEN.TXT");
    auto thread = Upload();
    ASSERT_TRUE(thread);
    thread->Wait();
    const std::vector<std::string> names = store.Names();
    for (const char* name : {"measures/Anna/Coats/Bust.JPG", "measure_tables/Women/Bust.JPG",
                             "measure_tables/Women/WOMEN.TXT"}) {
        EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << name;
    }
}

TEST_F(UploadTest, LoginDecidesWhetherToStart) {
    const struct {
        const char* what;
        std::string stored;
        bool close;
        std::vector<std::string> events;
    } cases[] = {
        {"close box", kAnn.id, false, {"message:Error:Canceled"}},
        {"Close with nothing known", "", true, {"message:Error:Invalid User"}},
        {"Close with an edited value",
         "0123456789abcdef0123456z",
         true,
         {"message:Error:Invalid User"}},
    };
    for (const auto& c : cases) {
        WriteSetting(SettingsRoot::CurrentUser, kAccountIdSetting, c.stored);
        RecordingView fresh;
        dialog.script = [&](test::FakePasswordDialog& d) {
            if (c.close)
                d.PressClose();
        };
        EXPECT_EQ(StartUpload(dialog, fresh, dispatcher, Coats()), nullptr) << c.what;
        EXPECT_EQ(fresh.Events(), c.events) << c.what;
    }
    EXPECT_TRUE(Stored().empty());
}

TEST_F(UploadTest, RememberedAccountNeedsNoCheck) {
    WriteSetting(SettingsRoot::CurrentUser, kAccountIdSetting, kAnn.id);
    dialog.script = [](test::FakePasswordDialog& d) { d.PressClose(); };
    auto thread = StartUpload(dialog, view, dispatcher, Coats());
    ASSERT_TRUE(thread);
    thread->Wait();
    EXPECT_EQ(Stored().size(), 33u);
    EXPECT_TRUE(dialog.messages.empty());
}

TEST_F(UploadTest, FailuresEndTheUpload) {
    test::SilentServer silent;
    const NetworkTimeouts quickAnswer{std::chrono::seconds(5), std::chrono::milliseconds(1500)};
    const std::string firstFile = DesignerFolder(kSampleDesigner, "Anna.jpg");
    const struct {
        const char* what;
        bool refuse;
        bool failFirstStore;
        int servicePort;
        NetworkTimeouts timeouts;
        std::vector<std::string> messages;
        size_t stored;
    } cases[] = {
        {"database refuses",
         true,
         false,
         service->Port(),
         kAmple,
         {"message!:Error:Cannot connect to server"},
         0},
        // One error, no more stores and no processing request: the upload ended there.
        {"store loses the connection",
         false,
         true,
         service->Port(),
         kAmple,
         {"message!:Error:Error transfering file: " + firstFile},
         0},
        {"service never answers",
         false,
         false,
         silent.Port(),
         quickAnswer,
         {"message:Processing:"},
         33},
    };
    for (const auto& c : cases) {
        test::RecordingStore into;
        if (c.refuse)
            into.RefuseConnection();
        if (c.failFirstStore)
            into.FailStore(0);
        RecordingView fresh;
        UploadWith(Config(c.servicePort, into, c.timeouts), fresh);
        EXPECT_EQ(fresh.Messages(), c.messages) << c.what;
        EXPECT_EQ(fresh.Events().back(), "hide") << c.what;
        EXPECT_EQ(into.Documents().size(), c.stored) << c.what;
    }
}

TEST_F(UploadTest, ProcessingRequestGoesOverTls) {
    if (!test::TestServersSpeakTls())
        GTEST_SKIP() << test::kNoTlsServers;
    test::ServerProcess secureService(test::TlsHttpServerCommand({kAnn}));
    UploadConfig config = Config(0, store);
    config.serviceAddress = "https://localhost:" + std::to_string(secureService.Port()) + "/";
    config.caFile = test::Certificates().authority;
    UploadWith(config, view);
    EXPECT_EQ(view.Messages(),
              std::vector<std::string>{"message:Processing:Processing " + kAnn.id});
}

// The one whole upload through MongoDb: the document database test server ends up with what
// the recording store records for the same upload.
TEST_F(UploadTest, DocumentDatabaseHoldsWhatTheUploadStores) {
    test::ServerProcess database{test::MongoServerCommand(kUser, kPassword)};
    UploadConfig config = Config(service->Port(), store);
    config.databasePort = database.Port();
    config.openStore = OpenMongoDb;
    UploadWith(config, view);
    EXPECT_EQ(view.Messages(),
              std::vector<std::string>{"message:Processing:Processing " + kAnn.id});

    RecordingView recordedView;
    UploadWith(Config(service->Port(), store), recordedView);
    const auto recorded = Stored();
    const auto stored = test::ReadStoredDocuments(database.Port(), kUser, kPassword);
    ASSERT_EQ(stored.size(), 33u);
    ASSERT_EQ(stored.size(), recorded.size());
    for (size_t i = 0; i < stored.size(); ++i) {
        EXPECT_EQ(stored[i].name, recorded[i].name);
        EXPECT_EQ(stored[i].accountId, recorded[i].accountId) << stored[i].name;
        // The database gets one zero byte for an empty file.
        const std::string data = recorded[i].data.empty() ? std::string(1, '\0') : recorded[i].data;
        EXPECT_EQ(stored[i].data, data) << stored[i].name;
    }
}

TEST_F(UploadTest, LongProcessingAnswerIsShownShortened) {
    UploadConfig config = Config(service->Port(), store);
    config.serviceAddress += "lines/1000/";
    UploadWith(config, view);
    EXPECT_EQ(
        view.Messages(),
        std::vector<std::string>{"message:Processing:line 0\nline 1\nline 2\nline 3\nline 4\n..."});
}

TEST_F(UploadTest, ScanErrorIsShownAndEndsTheUpload) {
    const std::string table = RootCombine("MeasureTables", "Women.mmt");
    std::ofstream(table, std::ios::binary) << "Women\tcm\t1\nBust\tabc\tBust girth\tbust\n";
    UploadWith(CurrentUploadConfig(), view);
    const auto messages = view.Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("Women.mmt"), std::string::npos) << messages[0];
    EXPECT_EQ(view.Events().back(), "hide");
    EXPECT_TRUE(Stored().empty());
}

// A cancelled upload ends at once wherever it waits: on a database that never answers the
// connection, or on a service that never answers the processing request.
TEST_F(UploadTest, CancelEndsAnUploadThatWaitsOnASilentServer) {
    test::SilentServer silent;
    const NetworkTimeouts slow{std::chrono::seconds(20), std::chrono::seconds(30)};
    const struct {
        const char* what;
        bool silentDatabase;
    } cases[] = {
        {"database never answers", true},
        {"service never answers", false},
    };
    for (const auto& c : cases) {
        test::RecordingStore into;
        UploadConfig config =
            Config(c.silentDatabase ? service->Port() : silent.Port(), into, slow);
        if (c.silentDatabase) {
            config.databasePort = silent.Port();
            config.openStore = OpenMongoDb;
        }
        RecordingView shown;
        auto thread = FtpThread::Start(dispatcher, shown, kSampleDesigner, kSampleCollection,
                                       kAnn.id, Coats(), config);
        // Long enough to be well inside the wait.
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        EXPECT_FALSE(thread->Finished()) << c.what;
        const auto cancelledAt = std::chrono::steady_clock::now();
        thread->Cancel();
        thread->Wait();
        EXPECT_LT(std::chrono::steady_clock::now() - cancelledAt, std::chrono::seconds(2))
            << c.what;
        // Nothing more is shown once the upload was cancelled.
        const auto events = shown.Events();
        EXPECT_TRUE(shown.Messages().empty()) << c.what;
        EXPECT_TRUE(events.empty() || events.back() != "hide") << c.what;
    }
}

// Pictures that macro lines and table rows name outside the workspace are never stored.
TEST_F(UploadTest, StoresNothingFromOutsideTheWorkspace) {
    QTemporaryDir outside;
    const std::string secret = outside.path().toStdString() + "/secret";
    for (const char* extension : {".jpg", ".txt"})
        std::ofstream(secret + extension) << "secret";
    std::string climbing;
    for (int i = 0; i < 30; ++i)
        climbing += "../";
    climbing += secret.substr(1);
    const std::string root = documents.path().toStdString() + "/Bobbinwright/Personal Files/";
    std::ofstream(root + "Designers/Anna/Coats/Trench.mac", std::ios::app)
        << "add_pict_item(1, \"" << climbing << "\");\n"
        << "add_picture_input(\"a\", 1, \"" << secret << "\");\n"
        << "measure_table(\"Leak\");\n";
    std::ofstream(root + "MeasureTables/Leak.mmt")
        << "Leak\tcm\tx\nA\t1\tx\t" << secret << "\nB\t2\tx\t" << climbing << "\n";
    auto thread = Upload();
    ASSERT_TRUE(thread);
    thread->Wait();
    const auto stored = Stored();
    EXPECT_FALSE(stored.empty());
    for (const auto& doc : stored) {
        EXPECT_NE(doc.data, "secret") << doc.name;
        EXPECT_EQ(doc.name.find("secret"), std::string::npos) << doc.name;
    }
}

}  // namespace
}  // namespace kb
