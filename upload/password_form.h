#pragma once
// The upload login: the account check behind the "Upload" dialog, without a window. The dialog
// forwards its events here and shows what it is told through PasswordView.
#include <memory>
#include <string>
#include <string_view>

#include "foundation/ui_dispatcher.h"
#include "foundation/worker_thread.h"

namespace kb {

// The widgets of the login dialog, as the logic sees them.
class PasswordView {
  public:
    virtual ~PasswordView() = default;
    virtual std::string EmailText() const = 0;
    virtual std::string PasswordText() const = 0;
    // Empties the e-mail and password edits.
    virtual void ClearEdits() = 0;
    virtual bool SaveChecked() const = 0;
    virtual void SetProcessEnabled(bool enabled) = 0;
    // A modal message box with an OK button.
    virtual void ShowMessage(const std::string& text, const std::string& caption) = 0;
    // Closes the dialog with the result OK.
    virtual void CloseWithOk() = 0;
};

// What the upload command asks of the login dialog.
class LoginDialog {
  public:
    virtual ~LoginDialog() = default;
    // Shows the dialog modally; true when it was closed with OK (a verified account or the
    // Close button), false for the window's close box.
    virtual bool ShowModal() = 0;
    virtual std::string CurrentAccountId() const = 0;
};

// The settings value that remembers the account identifier.
inline constexpr const char* kAccountIdSetting = "KB_Id";

class AccountCheck;

class PasswordForm {
  public:
    // ui runs the check's answer on the user-interface thread.
    PasswordForm(PasswordView& view, UiDispatcher& ui);
    // Cancels a check still running; its answer is dropped.
    ~PasswordForm();
    PasswordForm(const PasswordForm&) = delete;
    PasswordForm& operator=(const PasswordForm&) = delete;

    // Each time the dialog is shown: empty edits, the stored identifier loaded.
    void FormShow();
    // A key released in either edit.
    void EditKeyUp();
    // The account check: sends the e-mail and password to the service on a worker thread, so
    // that the dialog stays usable, and judges the answer on the user-interface thread. Process
    // is disabled meanwhile.
    void ProcessButtonClick();
    // The dialog closes: a check still running is cancelled and its answer dropped.
    void CancelCheck();
    // The check started last, running or ended; null before the first.
    std::shared_ptr<WorkerThread> CheckWorker() const;
    // Stores the known identifier when ticked, forgets the stored one when cleared.
    void SaveCheckBoxClick();

    // The identifier known to the dialog, else the stored one ("" when none).
    std::string CurrentAccountId() const;

    // Process is allowed for an e-mail with an "@" and a dot followed by at least three
    // characters, and a password that is not empty.
    static bool ProcessAllowed(std::string_view email, std::string_view password);

  private:
    void JudgeAnswer(const std::string& text);

    PasswordView& view_;
    UiDispatcher& ui_;
    std::string accountId;
    std::shared_ptr<AccountCheck> check_;
    bool checking_ = false;
};

}  // namespace kb
