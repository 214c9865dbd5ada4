#include "app/ui/login_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>

#include "app/ui/qt_ui_dispatcher.h"
#include "foundation/paths.h"
#include "foundation/settings_store.h"
#include "tests/upload/test_servers.h"
#include "upload/upload_config.h"

namespace kb {
namespace {

class PasswordFrmTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        // Windows' Qt has no offscreen platform: there the dialog shows on the test display.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && kPathSeparator != '\\')
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "login_dialog_test";
        static char* argv[] = {name, nullptr};
        static QApplication app(argc, argv);
    }
    void SetUp() override {
        SetSettingsFolder(SettingsRoot::CurrentUser, settings.path().toStdString());
    }
    void TearDown() override { SetSettingsFolder(SettingsRoot::CurrentUser, ""); }

    // Shows the dialog modally and runs action once it is on screen.
    bool ShowAndThen(const std::function<void()>& action) {
        QTimer::singleShot(0, &dialog, action);
        return dialog.ShowModal();
    }

    QTemporaryDir settings;
    QtUiDispatcher dispatcher;
    TPasswordFrm dialog{dispatcher};
};

TEST_F(PasswordFrmTest, ShowingEmptiesTheEditsAndLoadsTheStoredAccount) {
    WriteSetting(SettingsRoot::CurrentUser, kAccountIdSetting, "0123456789abcdef01234567");
    dialog.EmailEdit->setText("a@b.com");
    dialog.PasswordEdit->setText("x");
    dialog.SaveCheckBox->setChecked(true);
    std::string email = "?";
    bool processEnabled = true;
    EXPECT_TRUE(ShowAndThen([&] {
        email = dialog.EmailText();
        processEnabled = dialog.ProcessButton->isEnabled();
        dialog.BitBtn1->click();
    }));
    EXPECT_EQ(dialog.windowTitle(), "Upload");
    EXPECT_EQ(email, "");
    EXPECT_FALSE(processEnabled);
    EXPECT_TRUE(dialog.SaveChecked());  // the check box keeps its state
    EXPECT_EQ(dialog.CurrentAccountId(), "0123456789abcdef01234567");
}

TEST_F(PasswordFrmTest, TypingEnablesProcessAndTheCloseBoxCancels) {
    bool enabled = false;
    EXPECT_FALSE(ShowAndThen([&] {
        dialog.EmailEdit->setText("a@b.com");
        dialog.PasswordEdit->setText("secret");
        enabled = dialog.ProcessButton->isEnabled();
        dialog.reject();
    }));
    EXPECT_TRUE(enabled);
    EXPECT_EQ(dialog.PasswordEdit->echoMode(), QLineEdit::Password);
}

TEST_F(PasswordFrmTest, SaveBoxForgetsTheStoredAccount) {
    WriteSetting(SettingsRoot::CurrentUser, kAccountIdSetting, "0123456789abcdef01234567");
    ShowAndThen([&] {
        dialog.SaveCheckBox->click();  // ticked: stores what the dialog knows
        dialog.SaveCheckBox->click();  // cleared: forgets it
        dialog.BitBtn1->click();
    });
    EXPECT_EQ(ReadSetting(SettingsRoot::CurrentUser, kAccountIdSetting, ""), "");
    EXPECT_EQ(dialog.CurrentAccountId(), "0123456789abcdef01234567");
}

// While the account check waits on a service that never answers, the dialog goes on serving
// its events (a timer ticks on time) and its close box closes it and cancels the check.
TEST_F(PasswordFrmTest, TheDialogStaysUsableWhileTheCheckWaits) {
    test::SilentServer silent;
    UploadConfig config;
    config.serviceAddress = "http://127.0.0.1:" + std::to_string(silent.Port()) + "/";
    config.timeouts.total = std::chrono::seconds(5);
    SetUploadConfig(config);
    QElapsedTimer sinceTick;
    qint64 longestGap = 0;
    QTimer ticks;
    QObject::connect(&ticks, &QTimer::timeout,
                     [&] { longestGap = std::max(longestGap, sinceTick.restart()); });
    QElapsedTimer sinceClose;
    const bool accepted = ShowAndThen([&] {
        dialog.EmailEdit->setText("ann@example.com");
        dialog.PasswordEdit->setText("secret");
        sinceTick.start();
        ticks.start(10);
        dialog.ProcessButton->click();
        QTimer::singleShot(1500, &dialog, [&] {
            ticks.stop();
            sinceClose.start();
            dialog.close();  // the close box
        });
    });
    SetUploadConfig({});
    EXPECT_FALSE(accepted);
    const auto check = dialog.CheckWorker();
    ASSERT_TRUE(check);
    while (!check->Finished() && sinceClose.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_TRUE(check->Finished());
    EXPECT_LT(sinceClose.elapsed(), 2000);
    // A frozen window misses this by seconds; the margin above 100 ms is for a loaded machine.
    EXPECT_LT(longestGap, 250) << "longest gap between 10 ms ticks: " << longestGap << " ms";
    std::printf("longest gap between 10 ms ticks while checking: %lld ms\n",
                static_cast<long long>(longestGap));
}

}  // namespace
}  // namespace kb
