#include "upload/password_form.h"

#include <functional>
#include <utility>

#include "foundation/settings_store.h"
#include "upload/account_answer.h"
#include "upload/http_client.h"
#include "upload/upload_config.h"

namespace kb {
namespace {

std::string StoredAccountId() {
    return ReadSetting(SettingsRoot::CurrentUser, kAccountIdSetting, "");
}

void StoreAccountId(const std::string& id) {
    WriteSetting(SettingsRoot::CurrentUser, kAccountIdSetting, id);
}

}  // namespace

// One account check: the request on a worker thread, the answer handed to the user-interface
// thread unless the check was cancelled by then.
class AccountCheck : public WorkerThread {
  public:
    using Answered = std::function<void(const std::string& answer)>;

    AccountCheck(UiDispatcher& ui, std::string address, UploadConfig config, Answered answered)
        : WorkerThread(ui, "Account check"),
          address_(std::move(address)),
          config_(std::move(config)),
          answered_(std::move(answered)) {}

    static std::shared_ptr<AccountCheck> Start(UiDispatcher& ui, std::string address,
                                               UploadConfig config, Answered answered) {
        auto check = std::make_shared<AccountCheck>(ui, std::move(address), std::move(config),
                                                    std::move(answered));
        Launch(check);
        return check;
    }

  private:
    void Body() override {
        const std::string answer =
            HttpGetText(address_, config_.timeouts, config_.caFile, &CancelFlag());
        // Cancel comes from the user-interface thread, so this look is the last word.
        HandOver([this, &answer] {
            if (!Cancelled())
                answered_(answer);
        });
    }

    const std::string address_;
    const UploadConfig config_;
    const Answered answered_;
};

PasswordForm::PasswordForm(PasswordView& view, UiDispatcher& ui) : view_(view), ui_(ui) {}

PasswordForm::~PasswordForm() {
    if (check_)
        check_->Cancel();
}

bool PasswordForm::ProcessAllowed(std::string_view email, std::string_view password) {
    const size_t dot = email.find('.');
    const bool emailShaped = dot != std::string_view::npos &&
                             email.find('@') != std::string_view::npos && dot + 4 <= email.size();
    return emailShaped && !password.empty();
}

void PasswordForm::FormShow() {
    view_.ClearEdits();
    accountId = StoredAccountId();
    EditKeyUp();
}

void PasswordForm::EditKeyUp() {
    view_.SetProcessEnabled(!checking_ && ProcessAllowed(view_.EmailText(), view_.PasswordText()));
}

void PasswordForm::ProcessButtonClick() {
    if (checking_)
        return;
    UploadConfig config = CurrentUploadConfig();
    // Each value is one path segment, whatever characters it holds.
    std::string address = config.AccountCheckAddress() + UrlEncode(view_.EmailText()) + "/" +
                          UrlEncode(view_.PasswordText());
    checking_ = true;
    EditKeyUp();
    // The answer runs on this thread, where the form lives until CancelCheck has dropped it.
    check_ = AccountCheck::Start(ui_, std::move(address), std::move(config),
                                 [this](const std::string& answer) {
                                     checking_ = false;
                                     EditKeyUp();
                                     JudgeAnswer(answer);
                                 });
}

void PasswordForm::CancelCheck() {
    if (check_)
        check_->Cancel();
    if (checking_) {
        checking_ = false;
        EditKeyUp();
    }
}

std::shared_ptr<WorkerThread> PasswordForm::CheckWorker() const {
    return check_;
}

void PasswordForm::JudgeAnswer(const std::string& text) {
    const AccountAnswer answer = ReadAccountAnswer(text);
    if (answer.kind == AccountAnswer::Kind::UnknownUser) {
        view_.ShowMessage("Invalid User", "Error");
    } else if (answer.kind == AccountAnswer::Kind::Identifier) {
        accountId = answer.id;
        if (view_.SaveChecked())
            StoreAccountId(accountId);
        view_.ShowMessage("Account Verified", "");
        view_.CloseWithOk();
    } else {
        view_.ShowMessage("Problem with server", "Error");
    }
}

void PasswordForm::SaveCheckBoxClick() {
    StoreAccountId(view_.SaveChecked() ? accountId : "");
}

std::string PasswordForm::CurrentAccountId() const {
    return accountId.empty() ? StoredAccountId() : accountId;
}

}  // namespace kb
