#pragma once
// The "Upload" login dialog: e-mail, password, Process, Close and Save. Created once and shown
// for every upload; its behaviour is PasswordForm's.
#include <QDialog>

#include "upload/password_form.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace kb {

class TPasswordFrm : public QDialog, public PasswordView, public LoginDialog {
  public:
    // ui hands the account check's answer to the user-interface thread.
    explicit TPasswordFrm(UiDispatcher& ui, QWidget* parent = nullptr);

    // LoginDialog
    bool ShowModal() override;
    std::string CurrentAccountId() const override { return logic_.CurrentAccountId(); }

    // PasswordView
    std::string EmailText() const override;
    std::string PasswordText() const override;
    void ClearEdits() override;
    bool SaveChecked() const override;
    void SetProcessEnabled(bool enabled) override;
    void ShowMessage(const std::string& text, const std::string& caption) override;
    void CloseWithOk() override { accept(); }

    void CancelCheck() { logic_.CancelCheck(); }
    // The account check started last (see PasswordForm::CheckWorker).
    std::shared_ptr<WorkerThread> CheckWorker() const { return logic_.CheckWorker(); }

    QLineEdit* EmailEdit;
    QLineEdit* PasswordEdit;
    QPushButton* ProcessButton;
    QPushButton* BitBtn1;
    QCheckBox* SaveCheckBox;

    // However the dialog closes, a check still running is cancelled.
    void done(int result) override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    // Runs a handler; an error it raises is shown instead of leaving the event loop.
    void Handle(void (PasswordForm::*handler)());

    PasswordForm logic_;
};

}  // namespace kb
