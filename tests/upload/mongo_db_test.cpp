#include "upload/mongo_db.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <ctime>
#include <fstream>
#include <memory>

#include "tests/upload/stored_documents.h"
#include "tests/upload/test_certificates.h"
#include "tests/upload/test_servers.h"

namespace kb {
namespace {

using test::ServerProcess;

const std::string kUser = "kbu";
const std::string kPassword = "upload7";
const std::string kAccount = "5f2b6c1d9e8a7b6c5d4e3f21";

DatabaseOptions WithTestHelper() {
    DatabaseOptions options;
    options.helper = test::StoreHelper();
    return options;
}

// A gateway to a test server that remembers the errors it showed.
struct Gateway {
    Gateway(int port, const std::string& user, const std::string& password,
            const std::string& host = "localhost", NetworkTimeouts timeouts = {},
            DatabaseOptions options = WithTestHelper())
        : db(
              host, port, "zefa", "mongo_files", user, password, timeouts,
              [this](const std::string& text) { shown.push_back(text); }, std::move(options)) {}
    std::vector<std::string> shown;
    MongoDb db;
};

class MongoDbTest : public ::testing::Test {
  protected:
    std::string WriteFile(const std::string& name, const std::string& content) {
        const std::string path = folder.filePath(QString::fromStdString(name)).toStdString();
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }
    std::vector<test::StoredDocument> Stored() {
        return test::ReadStoredDocuments(server.Port(), kUser, kPassword);
    }

    QTemporaryDir folder;
    ServerProcess server{test::MongoServerCommand(kUser, kPassword)};
};

TEST_F(MongoDbTest, StoresOneDocumentPerFile) {
    const std::string content("pic\0ture", 8);
    const struct {
        std::string path;
        std::string data;
    } cases[] = {
        {WriteFile("Coat.jpg", content), content},
        {WriteFile("Empty.txt", ""), std::string(1, '\0')},
        {folder.filePath("Missing.pdf").toStdString(), std::string(1, '\0')},
    };
    Gateway gateway(server.Port(), kUser, kPassword);
    ASSERT_FALSE(gateway.db.failed());
    const std::int64_t before = std::time(nullptr) * std::int64_t{1000};
    for (const auto& c : cases)
        EXPECT_TRUE(gateway.db.StoreFile(kAccount, c.path, "zefas/" + c.path));
    const std::int64_t after = std::time(nullptr) * std::int64_t{1000};
    EXPECT_TRUE(gateway.shown.empty());

    const auto stored = Stored();
    ASSERT_EQ(stored.size(), std::size(cases));
    for (size_t i = 0; i < stored.size(); ++i) {
        const auto& doc = stored[i];
        EXPECT_EQ(doc.keys,
                  (std::vector<std::string>{"_id", "name", "data", "account_id", "date"}));
        EXPECT_EQ(doc.types, (std::vector<int>{7, 2, 5, 7, 9}));
        EXPECT_EQ(doc.name, "zefas/" + cases[i].path);
        EXPECT_EQ(doc.data, cases[i].data);
        EXPECT_EQ(doc.dataSubtype, 5);
        EXPECT_EQ(doc.accountId, kAccount);
        EXPECT_EQ(doc.dateMs % 1000, 0);
        EXPECT_GE(doc.dateMs, before);
        EXPECT_LE(doc.dateMs, after);
    }
}

TEST_F(MongoDbTest, TwoStoresOfOneFileGiveTwoDocuments) {
    const std::string path = WriteFile("Coat.mac", "macro");
    Gateway gateway(server.Port(), kUser, kPassword);
    gateway.db.StoreFile(kAccount, path, "a");
    gateway.db.StoreFile(kAccount, path, "a");
    const auto stored = Stored();
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_NE(stored[0].id, stored[1].id);
}

TEST_F(MongoDbTest, BadAccountIdentifierIsRefusedBeforeSending) {
    const std::string path = WriteFile("Coat.mac", "macro");
    Gateway gateway(server.Port(), kUser, kPassword);
    for (const std::string id :
         {"", "5f2b6c1d9e8a7b6c5d4e3f2", "5f2b6c1d9e8a7b6c5d4e3f2g", "5f2b6c1d9e8a7b6c5d4e3f211"}) {
        EXPECT_FALSE(gateway.db.StoreFile(id, path, "a")) << id;
    }
    EXPECT_EQ(gateway.shown, std::vector<std::string>(4, "Error transfering file: " + path));
    EXPECT_TRUE(Stored().empty());
}

TEST(MongoDbConnection, RefusedInsertIsShownAndTheNextStoreGoesOn) {
    QTemporaryDir folder;
    const std::string big = folder.filePath("Big.pdf").toStdString();
    std::ofstream(big, std::ios::binary) << std::string(5000, 'x');
    ServerProcess server(test::MongoServerCommand(kUser, kPassword, "SCRAM-SHA-256", 1000));
    Gateway gateway(server.Port(), kUser, kPassword);
    EXPECT_FALSE(gateway.db.StoreFile(kAccount, big, "big"));
    EXPECT_TRUE(gateway.db.StoreFile(kAccount, "/nonexistent", "small"));
    EXPECT_EQ(gateway.shown, std::vector<std::string>{"Error transfering file: " + big});
    EXPECT_EQ(test::StoredNames(test::ReadStoredDocuments(server.Port(), kUser, kPassword)),
              std::vector<std::string>{"small"});
}

TEST(MongoDbConnection, BothScramMechanismsAuthenticate) {
    for (const std::string mechanism : {"SCRAM-SHA-1", "SCRAM-SHA-256"}) {
        ServerProcess server(test::MongoServerCommand(kUser, kPassword, mechanism));
        Gateway gateway(server.Port(), kUser, kPassword);
        EXPECT_FALSE(gateway.db.failed()) << mechanism;
        EXPECT_TRUE(gateway.db.StoreFile(kAccount, "/nonexistent", "n")) << mechanism;
        EXPECT_EQ(test::ReadStoredDocuments(server.Port(), kUser, kPassword).size(), 1u);
    }
}

TEST(MongoDbConnection, UnusableConnectionFailsAndStoresNothing) {
    ServerProcess server(test::MongoServerCommand(kUser, kPassword));
    test::SilentServer silent;
    const NetworkTimeouts shortTimeouts{std::chrono::milliseconds(300),
                                        std::chrono::milliseconds(500)};
    const struct {
        const char* what;
        std::string host;
        int port;
        std::string password;
    } cases[] = {
        {"wrong password", "localhost", server.Port(), "upload8"},
        {"nothing listening", "127.0.0.1", test::ClosedPort(), kPassword},
        {"never answers", "127.0.0.1", silent.Port(), kPassword},
        {"unknown host", "no-such-host.invalid", server.Port(), kPassword},
        {"no host", "", server.Port(), kPassword},
    };
    for (const auto& c : cases) {
        Gateway gateway(c.port, kUser, c.password, c.host, shortTimeouts);
        EXPECT_TRUE(gateway.db.failed()) << c.what;
        EXPECT_FALSE(gateway.db.StoreFile(kAccount, "/x/Coat.mac", "n")) << c.what;
        EXPECT_EQ(gateway.shown, std::vector<std::string>{"Error transfering file: /x/Coat.mac"});
    }
    EXPECT_TRUE(test::ReadStoredDocuments(server.Port(), kUser, kPassword).empty());
}

TEST(MongoDbConnection, AuthenticatesOnlyWithUserPasswordAndDatabase) {
    // A server without accounts takes the documents of an unauthenticated gateway.
    ServerProcess open(test::MongoServerCommand("", ""));
    Gateway anonymous(open.Port(), "", "");
    EXPECT_FALSE(anonymous.db.failed());
    EXPECT_TRUE(anonymous.db.StoreFile(kAccount, "/nonexistent", "n"));
    EXPECT_EQ(test::ReadStoredDocuments(open.Port(), "", "").size(), 1u);

    // Without a password no authentication is tried: connecting works, storing is refused.
    ServerProcess guarded(test::MongoServerCommand(kUser, kPassword));
    Gateway noPassword(guarded.Port(), kUser, "");
    EXPECT_FALSE(noPassword.db.failed());
    EXPECT_FALSE(noPassword.db.StoreFile(kAccount, "/nonexistent", "n"));
    EXPECT_EQ(noPassword.shown.size(), 1u);
}

TEST(MongoDbTls, ConnectsOnlyToAVerifiedServer) {
    if (!test::TestServersSpeakTls())
        GTEST_SKIP() << test::kNoTlsServers;
    ServerProcess secure(test::TlsMongoServerCommand(kUser, kPassword));
    ServerProcess plain(test::MongoServerCommand(kUser, kPassword));
    const auto& certificates = test::Certificates();
    const NetworkTimeouts shortTimeouts{std::chrono::milliseconds(1000),
                                        std::chrono::milliseconds(2000)};
    const struct {
        const char* what;
        int port;
        std::string host;
        bool tls;
        std::string caFile;
        bool connects;
    } cases[] = {
        {"trusted authority", secure.Port(), "localhost", true, certificates.authority, true},
        {"another authority", secure.Port(), "localhost", true, certificates.otherAuthority, false},
        {"the system's authorities", secure.Port(), "localhost", true, "", false},
        {"a name the certificate does not carry", secure.Port(), "127.0.0.1", true,
         certificates.authority, false},
        {"TLS off", secure.Port(), "localhost", false, "", false},
        {"server without TLS", plain.Port(), "localhost", true, certificates.authority, false},
    };
    for (const auto& c : cases) {
        DatabaseOptions options = WithTestHelper();
        options.tls = c.tls;
        options.caFile = c.caFile;
        Gateway gateway(c.port, kUser, kPassword, c.host, shortTimeouts, options);
        EXPECT_EQ(gateway.db.failed(), !c.connects) << c.what;
        EXPECT_EQ(gateway.db.StoreFile(kAccount, "/nonexistent", "n"), c.connects) << c.what;
    }
}

// A helper that crashes or hangs costs the connection, never the calling process.
class MongoDbHelperFailure : public ::testing::Test {
  protected:
    static DatabaseOptions Helper(const std::string& program) {
        DatabaseOptions options;
        options.helper = program;
        return options;
    }
    const NetworkTimeouts shortTimeouts{std::chrono::milliseconds(300),
                                        std::chrono::milliseconds(500)};
};

TEST_F(MongoDbHelperFailure, MalformedReplyLosesOnlyTheConnection) {
    const struct {
        const char* at;
        bool connects;
    } cases[] = {{"hello", false}, {"saslStart", false}, {"insert", true}};
    for (const auto& c : cases) {
        ServerProcess server(test::MongoServerCommand(kUser, kPassword, "SCRAM-SHA-256", 0, c.at));
        Gateway gateway(server.Port(), kUser, kPassword, "localhost", shortTimeouts);
        EXPECT_EQ(gateway.db.failed(), !c.connects) << c.at;
        // What the driver makes of a malformed answer to an insert differs between its builds:
        // the Linux one crashes, the Windows one takes it for an answer. Either way the gateway
        // stays consistent: a failed store has lost the connection and was shown.
        const bool stored = gateway.db.StoreFile(kAccount, "/x/Coat.mac", "n");
        EXPECT_TRUE(c.connects || !stored) << c.at;
        EXPECT_EQ(gateway.db.failed(), !stored) << c.at;
        EXPECT_EQ(gateway.shown,
                  stored ? std::vector<std::string>{}
                         : std::vector<std::string>{"Error transfering file: /x/Coat.mac"})
            << c.at;
    }
}

TEST_F(MongoDbHelperFailure, HelperThatDiesOrHangsFailsTheConnection) {
    ServerProcess server(test::MongoServerCommand(kUser, kPassword));
    const struct {
        const char* what;
        std::string helper;
        bool connects;
    } cases[] = {
        {"missing", "/no/such/helper", false},
        {"crashes at connect", test::FakeStoreHelper(test::FakeHelper::CrashAtConnect), false},
        {"never answers", test::FakeStoreHelper(test::FakeHelper::NeverAnswers), false},
        {"crashes at insert", test::FakeStoreHelper(test::FakeHelper::CrashAtInsert), true},
    };
    for (const auto& c : cases) {
        Gateway gateway(server.Port(), kUser, kPassword, "localhost", shortTimeouts,
                        Helper(c.helper));
        EXPECT_EQ(gateway.db.failed(), !c.connects) << c.what;
        EXPECT_FALSE(gateway.db.StoreFile(kAccount, "/x/Coat.mac", "n")) << c.what;
        EXPECT_TRUE(gateway.db.failed()) << c.what;
        EXPECT_EQ(gateway.shown.size(), 1u) << c.what;
    }
}

TEST_F(MongoDbHelperFailure, HelperThatStopsReadingFailsTheStore) {
    // Far more than the stream holds, so that sending waits on the helper.
    QTemporaryDir folder;
    const std::string big = folder.filePath("Big.pdf").toStdString();
    std::ofstream(big, std::ios::binary) << std::string(8 * 1024 * 1024, 'x');
    ServerProcess server(test::MongoServerCommand(kUser, kPassword));
    Gateway gateway(server.Port(), kUser, kPassword, "localhost", shortTimeouts,
                    Helper(test::FakeStoreHelper(test::FakeHelper::StopsReading)));
    EXPECT_FALSE(gateway.db.failed());
    EXPECT_FALSE(gateway.db.StoreFile(kAccount, big, "big"));
    EXPECT_TRUE(gateway.db.failed());
    EXPECT_EQ(gateway.shown, std::vector<std::string>{"Error transfering file: " + big});
}

// A cancelled upload ends its gateway at once, however the helper or the server hangs: the
// helper is killed, the call in progress fails, and so does every one after it.
TEST_F(MongoDbHelperFailure, CancelEndsAHangingGatewayAtOnce) {
    QTemporaryDir folder;
    const std::string big = folder.filePath("Big.pdf").toStdString();
    std::ofstream(big, std::ios::binary) << std::string(8 * 1024 * 1024, 'x');
    ServerProcess server(test::MongoServerCommand(kUser, kPassword));
    test::SilentServer silent;
    const NetworkTimeouts slow{std::chrono::seconds(20), std::chrono::seconds(30)};
    const struct {
        const char* what;
        std::string helper;
        int port;
    } cases[] = {
        {"server never answers", test::StoreHelper(), silent.Port()},
        {"helper never answers", test::FakeStoreHelper(test::FakeHelper::NeverAnswers),
         server.Port()},
        {"helper stops reading", test::FakeStoreHelper(test::FakeHelper::StopsReading),
         server.Port()},
    };
    for (const auto& c : cases) {
        std::atomic<bool> cancelled{false};
        DatabaseOptions options = Helper(c.helper);
        options.cancelled = &cancelled;
        bool stored = true;
        const auto left = test::TimeToStopAfterCancel(
            cancelled,
            [&] {
                Gateway gateway(c.port, kUser, kPassword, "127.0.0.1", slow, options);
                stored = gateway.db.StoreFile(kAccount, big, "big");
            },
            std::chrono::milliseconds(500));
        EXPECT_TRUE(cancelled) << c.what;
        EXPECT_LT(left, std::chrono::seconds(2)) << c.what;
        EXPECT_FALSE(stored) << c.what;
    }
}

}  // namespace
}  // namespace kb
