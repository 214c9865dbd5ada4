#include "upload/http_client.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <memory>

#include "foundation/platform.h"
#include "tests/upload/test_certificates.h"
#include "tests/upload/test_servers.h"

namespace kb {
namespace {

using test::ServerProcess;

const test::ServiceAccount kAnn{"ann@example.com", "p/w?x#y%z w", "0123456789abcdef01234567"};

class HttpGetTextTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        server = std::make_unique<ServerProcess>(test::HttpServerCommand({kAnn}));
    }
    static void TearDownTestSuite() { server.reset(); }

    static std::string Address(const std::string& path) {
        return "http://127.0.0.1:" + std::to_string(server->Port()) + "/" + path;
    }

    // The headers of the last request the server saw (the log request itself not counted).
    static QJsonObject LastRequest() {
        const auto log =
            QJsonDocument::fromJson(QByteArray::fromStdString(HttpGetText(Address("log"))));
        return log.array().last().toObject();
    }

    static std::unique_ptr<ServerProcess> server;
};
std::unique_ptr<ServerProcess> HttpGetTextTest::server;

std::string CountingBytes(size_t n) {
    std::string bytes;
    for (size_t i = 0; i < n; ++i)
        bytes += static_cast<char>(i % 256);
    return bytes;
}

TEST_F(HttpGetTextTest, ReturnsTheWholeBodyWhateverTheStatus) {
    const struct {
        std::string path;
        std::string body;
    } cases[] = {
        {"id/" + UrlEncode(kAnn.email) + "/" + UrlEncode(kAnn.password), kAnn.id},
        {"id/" + UrlEncode(kAnn.email) + "/wrong", "Not Found"},
        {"status/500", "Status 500"},
        {"bytes/0", ""},
        // Zero bytes inside the body and chunk-sized bodies arrive whole.
        {"bytes/1024", CountingBytes(1024)},
        {"bytes/70000", CountingBytes(70000)},
        {"bytes/" + std::to_string(kMaxAnswerBytes), CountingBytes(kMaxAnswerBytes)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HttpGetText(Address(c.path)), c.body) << c.path;
}

TEST_F(HttpGetTextTest, SendsNoCacheHeadersAndTheProgramNameOnly) {
    HttpGetText(Address("process/abc"));
    const QJsonObject request = LastRequest();
    EXPECT_EQ(request["path"].toString(), "/process/abc");
    const QJsonObject headers = request["headers"].toObject();
    EXPECT_EQ(headers["Cache-Control"].toString(), "no-cache");
    EXPECT_EQ(headers["Pragma"].toString(), "no-cache");
    EXPECT_EQ(headers["User-Agent"].toString().toStdString(), ExecutableName());
    EXPECT_FALSE(headers.contains("Authorization"));
}

TEST_F(HttpGetTextTest, EncodedValuesStayOnePathSegment) {
    EXPECT_EQ(UrlEncode("a/b?c#d%e f@g.h~-_"), "a%2Fb%3Fc%23d%25e%20f%40g.h~-_");
    HttpGetText(Address("id/" + UrlEncode(kAnn.email) + "/" + UrlEncode(kAnn.password)));
    EXPECT_EQ(LastRequest()["path"].toString().toStdString(),
              "/id/ann%40example.com/p%2Fw%3Fx%23y%25z%20w");
}

TEST_F(HttpGetTextTest, AnswerThatIsNotWholeIsNoAnswer) {
    const NetworkTimeouts shortTotal{std::chrono::seconds(5), std::chrono::milliseconds(1000)};
    for (const std::string& path : {
             "bytes/" + std::to_string(kMaxAnswerBytes + 1),  // announced, over the cap
             std::string("endless"),                          // no length, over the cap
             std::string("truncated/4096"),                   // broke off
             std::string("stall/100"),                        // timed out after a fragment
         }) {
        EXPECT_EQ(HttpGetText(Address(path), shortTotal), "") << path;
    }
}

TEST(AnswerExcerpt, ShowsOnlyTheStartOfAnAnswer) {
    const std::string longLine(kShownAnswerLineLength + 1, 'a');
    std::string manyLines;
    for (int i = 0; i < 1000; ++i)
        manyLines += "line " + std::to_string(i) + "\n";
    const struct {
        std::string answer;
        std::string shown;
    } cases[] = {
        {"", ""},
        {"Processing 0123", "Processing 0123"},
        {"a\r\nb\n", "a\nb"},
        {manyLines, "line 0\nline 1\nline 2\nline 3\nline 4\n..."},
        {longLine, longLine.substr(0, kShownAnswerLineLength) + "..."},
        {std::string("a\0b\x1b[2Jc\td", 10), "a b [2Jc\td"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AnswerExcerpt(c.answer), c.shown) << c.answer.substr(0, 40);
}

TEST(HttpGetTextTls, AnswersOnlyFromAVerifiedServer) {
    if (!test::TestServersSpeakTls())
        GTEST_SKIP() << test::kNoTlsServers;
    ServerProcess server(test::TlsHttpServerCommand({kAnn}));
    const auto& certificates = test::Certificates();
    const struct {
        const char* what;
        std::string host;
        std::string caFile;
        std::string answer;
    } cases[] = {
        {"trusted authority", "localhost", certificates.authority, "Processing x"},
        {"another authority", "localhost", certificates.otherAuthority, ""},
        {"the system's authorities", "localhost", "", ""},
        {"a name the certificate does not carry", "127.0.0.1", certificates.authority, ""},
    };
    for (const auto& c : cases) {
        const std::string address =
            "https://" + c.host + ":" + std::to_string(server.Port()) + "/process/x";
        EXPECT_EQ(HttpGetText(address, {}, c.caFile), c.answer) << c.what;
    }
}

TEST(HttpGetTextFailure, NoConnectionGivesTheEmptyText) {
    EXPECT_EQ(HttpGetText("http://127.0.0.1:" + std::to_string(test::ClosedPort()) + "/id/a/b"),
              "");
    EXPECT_EQ(HttpGetText("not an address"), "");
}

TEST(HttpGetTextFailure, ServiceThatNeverAnswersTimesOut) {
    test::SilentServer silent;
    const NetworkTimeouts shortTimeouts{std::chrono::milliseconds(200),
                                        std::chrono::milliseconds(300)};
    EXPECT_EQ(HttpGetText("http://127.0.0.1:" + std::to_string(silent.Port()) + "/process/x",
                          shortTimeouts),
              "");
}

// A cancelled request ends at once whatever the server does: silent, or a body that stalls.
TEST(HttpGetTextFailure, CancelBreaksOffTheRequest) {
    test::SilentServer silent;
    test::ServerProcess service(test::HttpServerCommand({}));
    const std::string cases[] = {
        "http://127.0.0.1:" + std::to_string(silent.Port()) + "/process/x",
        "http://127.0.0.1:" + std::to_string(service.Port()) + "/stall/100/",
    };
    for (const std::string& address : cases) {
        std::atomic<bool> cancelled{false};
        std::string answer = "?";
        const auto left = test::TimeToStopAfterCancel(
            cancelled, [&] { answer = HttpGetText(address, {}, "", &cancelled); },
            std::chrono::milliseconds(300));
        EXPECT_TRUE(cancelled) << address;
        EXPECT_LT(left, std::chrono::seconds(2)) << address;
        EXPECT_EQ(answer, "") << address;
    }
}

}  // namespace
}  // namespace kb
