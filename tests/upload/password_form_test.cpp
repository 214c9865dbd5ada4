#include "upload/password_form.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <memory>

#include "foundation/settings_store.h"
#include "tests/upload/fake_password_view.h"
#include "tests/upload/test_servers.h"
#include "upload/upload_config.h"

namespace kb {
namespace {

using Messages = std::vector<std::pair<std::string, std::string>>;
using test::FakePasswordDialog;

const test::ServiceAccount kAnn{"ann@example.com", "p/w?x#y%z w", "0123456789abcdef01234567"};

std::string Stored() {
    return ReadSetting(SettingsRoot::CurrentUser, kAccountIdSetting, "");
}
void Store(const std::string& id) {
    WriteSetting(SettingsRoot::CurrentUser, kAccountIdSetting, id);
}

class PasswordFormTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        service = std::make_unique<test::ServerProcess>(test::HttpServerCommand({kAnn}));
    }
    static void TearDownTestSuite() { service.reset(); }

    void SetUp() override {
        SetSettingsFolder(SettingsRoot::CurrentUser, settings.path().toStdString());
        UploadConfig config;
        config.serviceAddress = "http://127.0.0.1:" + std::to_string(service->Port()) + "/";
        SetUploadConfig(config);
        dialog.logic.FormShow();
    }
    void TearDown() override {
        SetSettingsFolder(SettingsRoot::CurrentUser, "");
        SetUploadConfig({});
    }

    static std::unique_ptr<test::ServerProcess> service;
    QTemporaryDir settings;
    FakePasswordDialog dialog;
};
std::unique_ptr<test::ServerProcess> PasswordFormTest::service;

TEST(PasswordFormRule, ProcessNeedsAnEmailShapeAndAPassword) {
    const struct {
        const char* email;
        const char* password;
        bool allowed;
    } cases[] = {
        {"a@b.com", "x", true},  {"a@b.c", "x", false},  // one character after the dot
        {"a@b.co", "x", false},                          // two
        {"ab.com", "x", false},                          // no at sign
        {"a@bcom", "x", false},                          // no dot
        {".abc@x", "x", true},    // the order of dot and at sign is not examined
        {"a.b@c.de", "x", true},  // the first dot counts
        {"a@b.com", "", false},  {"", "", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PasswordForm::ProcessAllowed(c.email, c.password), c.allowed) << c.email;
}

TEST_F(PasswordFormTest, TheServiceAnswersJudged) {
    const std::string up = "http://127.0.0.1:" + std::to_string(service->Port()) + "/";
    const std::string down = "http://127.0.0.1:" + std::to_string(test::ClosedPort()) + "/";
    const Messages problem{{"Problem with server", "Error"}};
    const struct {
        std::string email;
        std::string password;
        std::string service;
        Messages messages;
        bool closed;
        std::string accountId;
    } cases[] = {
        // The password reaches the service as typed, "/", "?", "#", "%" and space included.
        {kAnn.email, kAnn.password, up, {{"Account Verified", ""}}, true, kAnn.id},
        {kAnn.email, "p", up, {{"Invalid User", "Error"}}, false, ""},
        {kAnn.email, kAnn.password, down, problem, false, ""},
        // 24 bytes of an answer that broke off or stalled are no account identifier.
        {kAnn.email, kAnn.password, up + "truncated/48/", problem, false, ""},
        {kAnn.email, kAnn.password, up + "stall/24/", problem, false, ""},
    };
    for (const auto& c : cases) {
        UploadConfig config;
        config.serviceAddress = c.service;
        config.timeouts.total = std::chrono::seconds(2);
        SetUploadConfig(config);
        FakePasswordDialog fresh;
        fresh.logic.FormShow();
        fresh.Type(c.email, c.password);
        fresh.Process();
        EXPECT_EQ(fresh.messages, c.messages) << c.service;
        EXPECT_EQ(fresh.closedWithOk, c.closed) << c.service;
        EXPECT_EQ(fresh.CurrentAccountId(), c.accountId) << c.service;
    }
}

TEST_F(PasswordFormTest, SaveDecidesWhatIsRemembered) {
    // A verified account is stored only while Save is ticked.
    dialog.Type(kAnn.email, kAnn.password);
    dialog.Process();
    EXPECT_EQ(Stored(), "");
    dialog.save = true;
    dialog.Process();
    EXPECT_EQ(Stored(), kAnn.id);

    // Clearing Save forgets the stored identifier, not the one the dialog knows.
    dialog.save = false;
    dialog.logic.SaveCheckBoxClick();
    EXPECT_EQ(Stored(), "");
    EXPECT_EQ(dialog.CurrentAccountId(), kAnn.id);

    // The next showing knows only what is stored; ticking Save stores what it knows.
    Store("aaaaaaaaaaaaaaaaaaaaaaaa");
    dialog.logic.FormShow();
    EXPECT_EQ(dialog.CurrentAccountId(), "aaaaaaaaaaaaaaaaaaaaaaaa");
    Store("");
    EXPECT_EQ(dialog.CurrentAccountId(), "aaaaaaaaaaaaaaaaaaaaaaaa");
    dialog.save = true;
    dialog.logic.SaveCheckBoxClick();
    EXPECT_EQ(Stored(), "aaaaaaaaaaaaaaaaaaaaaaaa");
}

// The check runs off the caller's thread: Process returns at once and is disabled until the
// answer; closing the dialog cancels a check that waits on a silent service, and drops it.
TEST_F(PasswordFormTest, ACheckWaitingOnTheServiceCanBeCancelled) {
    test::SilentServer silent;
    UploadConfig config;
    config.serviceAddress = "http://127.0.0.1:" + std::to_string(silent.Port()) + "/";
    config.timeouts.total = std::chrono::seconds(20);
    SetUploadConfig(config);
    dialog.Type(kAnn.email, kAnn.password);
    ASSERT_TRUE(dialog.processEnabled);
    dialog.logic.ProcessButtonClick();
    EXPECT_FALSE(dialog.processEnabled);
    const auto check = dialog.logic.CheckWorker();
    ASSERT_TRUE(check);
    EXPECT_FALSE(check->Finished());
    dialog.logic.EditKeyUp();  // typing meanwhile does not enable a second check
    EXPECT_FALSE(dialog.processEnabled);

    const auto cancelledAt = std::chrono::steady_clock::now();
    dialog.logic.CancelCheck();
    check->Wait();
    EXPECT_LT(std::chrono::steady_clock::now() - cancelledAt, std::chrono::seconds(2));
    EXPECT_TRUE(dialog.messages.empty());
    EXPECT_FALSE(dialog.closedWithOk);
    EXPECT_TRUE(dialog.processEnabled);
}

}  // namespace
}  // namespace kb
