#include "app/ui/login_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include "foundation/paths.h"
#include "foundation/settings_store.h"

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
    TPasswordFrm dialog;
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

}  // namespace
}  // namespace kb
