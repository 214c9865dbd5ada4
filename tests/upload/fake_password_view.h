#pragma once
// A login dialog without a window: the real PasswordForm behind a view that a test scripts.
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "foundation/ui_dispatcher.h"
#include "upload/password_form.h"

namespace kb::test {

class FakePasswordDialog : public PasswordView, public LoginDialog {
  public:
    // What the person does while the dialog is shown; the dialog closes with Cancel unless the
    // script closes it with OK.
    std::function<void(FakePasswordDialog&)> script;

    std::string email;
    std::string password;
    bool save = false;
    bool processEnabled = false;
    bool closedWithOk = false;
    std::vector<std::pair<std::string, std::string>> messages;  // text, caption
    DirectDispatcher dispatcher;
    PasswordForm logic{*this, dispatcher};

    // Types both texts (one key release each).
    void Type(std::string e, std::string p) {
        email = std::move(e);
        logic.EditKeyUp();
        password = std::move(p);
        logic.EditKeyUp();
    }
    // The Process button, then the wait for the service's answer to be judged.
    void Process() {
        logic.ProcessButtonClick();
        if (auto check = logic.CheckWorker())
            check->Wait();
    }
    // The Close button.
    void PressClose() { closedWithOk = true; }

    bool ShowModal() override {
        closedWithOk = false;
        logic.FormShow();
        if (script)
            script(*this);
        return closedWithOk;
    }
    std::string CurrentAccountId() const override { return logic.CurrentAccountId(); }

    std::string EmailText() const override { return email; }
    std::string PasswordText() const override { return password; }
    void ClearEdits() override { email.clear(), password.clear(); }
    bool SaveChecked() const override { return save; }
    void SetProcessEnabled(bool enabled) override { processEnabled = enabled; }
    void ShowMessage(const std::string& text, const std::string& caption) override {
        messages.emplace_back(text, caption);
    }
    void CloseWithOk() override { closedWithOk = true; }
};

}  // namespace kb::test
