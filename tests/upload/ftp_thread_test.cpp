#include "upload/ftp_thread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include <QTemporaryDir>
#include <fstream>
#include <memory>
#include <mutex>

#include "foundation/platform.h"
#include "foundation/settings_store.h"
#include "tests/upload/fake_password_view.h"
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
        SetUploadConfig(Config(service->Port(), database.Port()));
    }
    void TearDown() override {
        SetUploadConfig({});
        SetSettingsFolder(SettingsRoot::CurrentUser, "");
        SetDocumentsFolder("");
    }

    // Timeouts that a loaded machine still meets on the loopback.
    static constexpr NetworkTimeouts kAmple{std::chrono::seconds(5), std::chrono::seconds(20)};

    static UploadConfig Config(int servicePort, int databasePort,
                               NetworkTimeouts timeouts = kAmple) {
        UploadConfig config;
        config.serviceAddress = "http://127.0.0.1:" + std::to_string(servicePort) + "/";
        config.databaseHost = "127.0.0.1";
        config.databasePort = databasePort;
        config.databaseUser = kUser;
        config.databasePassword = kPassword;
        config.timeouts = timeouts;
        config.storeHelper = test::StoreHelper();
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
            d.logic.ProcessButtonClick();
        };
        return StartUpload(dialog, view, dispatcher, Coats());
    }

    std::vector<test::StoredDocument> Stored() {
        return test::ReadStoredDocuments(database.Port(), kUser, kPassword);
    }

    static std::unique_ptr<test::ServerProcess> service;
    QTemporaryDir documents;
    test::ServerProcess database{test::MongoServerCommand(kUser, kPassword)};
    test::FakePasswordDialog dialog;
    RecordingView view;
    DirectDispatcher dispatcher;
};

std::unique_ptr<test::ServerProcess> UploadTest::service;

// "measure_tables/" + the name the table reader leaves for the file at path.
std::string TableNameOf(const std::string& path) {
    MmtData table;
    try {
        LoadMmt(table, path);
    } catch (const std::exception&) {
    }
    return "measure_tables/" + table.name;
}

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
        // Second pass over Women.mmt: its row pictures, then its support files.
        "measure_tables/Women/bust.jpg",
        "measure_tables/Women/bust.txt",
        "measure_tables/Women/waist.jpg",
        "measure_tables/Women/waist.txt",
        "measure_tables/Women/hip.jpg",
        "measure_tables/Women/hip.txt",
        "measure_tables/Women/Women.jpg",
        "measure_tables/Women/Women.txt",
        // The table's support files pass through as tables too, named by whatever the
        // table reader makes of them: the picture's bytes may hold a header line, the text
        // does not, which gives "measure_tables//".
        TableNameOf(RootPath("MeasureTables/Women.jpg")) + "/Women.jpg",
        TableNameOf(RootPath("MeasureTables/Women.jpg")) + "/Women.txt",
        "measure_tables//Women.jpg",
        "measure_tables//Women.txt",
    };
    const auto stored = Stored();
    EXPECT_EQ(test::StoredNames(stored), expected);
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
    std::filesystem::rename(root + "MeasurePictures/Women/bust.jpg",
                            root + "MeasurePictures/Women/Bust.JPG");
    std::filesystem::rename(root + "MeasureTables/Women.txt", root + "MeasureTables/WOMEN.TXT");
    auto thread = Upload();
    ASSERT_TRUE(thread);
    thread->Wait();
    const std::vector<std::string> names = test::StoredNames(Stored());
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
    EXPECT_EQ(Stored().size(), 37u);
    EXPECT_TRUE(dialog.messages.empty());
}

TEST_F(UploadTest, ServersThatFailEndTheUpload) {
    test::SilentServer silent;
    const NetworkTimeouts quickConnect{std::chrono::milliseconds(300), std::chrono::seconds(20)};
    const NetworkTimeouts quickAnswer{std::chrono::seconds(5), std::chrono::milliseconds(1500)};
    const struct {
        const char* what;
        UploadConfig config;
        std::vector<std::string> messages;
        size_t stored;
    } cases[] = {
        {"database refuses",
         Config(service->Port(), test::ClosedPort()),
         {"message!:Error:Cannot connect to server"},
         0},
        {"database never answers",
         Config(service->Port(), silent.Port(), quickConnect),
         {"message!:Error:Cannot connect to server"},
         0},
        {"service never answers",
         Config(silent.Port(), database.Port(), quickAnswer),
         {"message:Processing:"},
         37},
    };
    size_t storedBefore = 0;
    for (const auto& c : cases) {
        RecordingView fresh;
        auto thread = FtpThread::Start(dispatcher, fresh, kSampleDesigner, kSampleCollection,
                                       kAnn.id, Coats(), c.config);
        thread->Wait();
        EXPECT_EQ(fresh.Messages(), c.messages) << c.what;
        EXPECT_EQ(fresh.Events().back(), "hide") << c.what;
        EXPECT_EQ(Stored().size() - storedBefore, c.stored) << c.what;
        storedBefore = Stored().size();
    }
}

TEST_F(UploadTest, DatabaseThatCrashesTheDriverEndsOnlyTheUpload) {
    const std::string firstFile = DesignerFolder(kSampleDesigner, "Anna.jpg");
    const struct {
        const char* what;
        std::string hostileAt;
        std::string helper;
        std::string message;
    } cases[] = {
        {"handshake", "hello", test::StoreHelper(), "Cannot connect to server"},
        {"authentication", "saslStart", test::StoreHelper(), "Cannot connect to server"},
        {"insert", "insert", test::StoreHelper(), "Error transfering file: " + firstFile},
        {"helper crashes at insert", "", test::FakeStoreHelper(test::FakeHelper::CrashAtInsert),
         "Error transfering file: " + firstFile},
    };
    for (const auto& c : cases) {
        test::ServerProcess hostile(
            test::MongoServerCommand(kUser, kPassword, "SCRAM-SHA-256", 0, c.hostileAt));
        UploadConfig config = Config(service->Port(), hostile.Port());
        config.storeHelper = c.helper;
        RecordingView fresh;
        auto thread = FtpThread::Start(dispatcher, fresh, kSampleDesigner, kSampleCollection,
                                       kAnn.id, Coats(), config);
        thread->Wait();
        // One error, no more stores and no processing request: the upload ended there.
        EXPECT_EQ(fresh.Messages(), std::vector<std::string>{"message!:Error:" + c.message})
            << c.what;
        EXPECT_EQ(fresh.Events().back(), "hide") << c.what;
    }
}

TEST_F(UploadTest, UploadsOverTls) {
    test::ServerProcess secureService(test::TlsHttpServerCommand({kAnn}));
    test::ServerProcess secureDatabase(test::TlsMongoServerCommand(kUser, kPassword));
    UploadConfig config = Config(0, secureDatabase.Port());
    config.serviceAddress = "https://localhost:" + std::to_string(secureService.Port()) + "/";
    config.databaseHost = "localhost";
    config.databaseTls = true;
    config.caFile = test::Certificates().authority;
    auto thread = FtpThread::Start(dispatcher, view, kSampleDesigner, kSampleCollection, kAnn.id,
                                   Coats(), config);
    thread->Wait();
    EXPECT_EQ(view.Messages(),
              std::vector<std::string>{"message:Processing:Processing " + kAnn.id});
}

TEST_F(UploadTest, LongProcessingAnswerIsShownShortened) {
    UploadConfig config = Config(service->Port(), database.Port());
    config.serviceAddress += "lines/1000/";
    auto thread = FtpThread::Start(dispatcher, view, kSampleDesigner, kSampleCollection, kAnn.id,
                                   Coats(), config);
    thread->Wait();
    EXPECT_EQ(
        view.Messages(),
        std::vector<std::string>{"message:Processing:line 0\nline 1\nline 2\nline 3\nline 4\n..."});
}

TEST_F(UploadTest, ScanErrorIsShownAndEndsTheUpload) {
    const std::string table = RootCombine("MeasureTables", "Women.mmt");
    std::ofstream(table, std::ios::binary) << "Women\tcm\t1\nBust\tabc\tBust girth\tbust\n";
    auto thread = FtpThread::Start(dispatcher, view, kSampleDesigner, kSampleCollection, kAnn.id,
                                   Coats(), CurrentUploadConfig());
    thread->Wait();
    const auto messages = view.Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("Women.mmt"), std::string::npos) << messages[0];
    EXPECT_EQ(view.Events().back(), "hide");
    EXPECT_TRUE(Stored().empty());
}

}  // namespace
}  // namespace kb
