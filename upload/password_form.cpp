#include "upload/password_form.h"

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
    view_.SetProcessEnabled(ProcessAllowed(view_.EmailText(), view_.PasswordText()));
}

void PasswordForm::ProcessButtonClick() {
    const UploadConfig config = CurrentUploadConfig();
    // Each value is one path segment, whatever characters it holds.
    const std::string address = config.AccountCheckAddress() + UrlEncode(view_.EmailText()) + "/" +
                                UrlEncode(view_.PasswordText());
    const AccountAnswer answer =
        ReadAccountAnswer(HttpGetText(address, config.timeouts, config.caFile));
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
