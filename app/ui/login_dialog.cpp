#include "app/ui/login_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <exception>

namespace kb {

TPasswordFrm::TPasswordFrm(UiDispatcher& ui, QWidget* parent)
    : QDialog(parent),
      EmailEdit(new QLineEdit(this)),
      PasswordEdit(new QLineEdit(this)),
      ProcessButton(new QPushButton("Process", this)),
      BitBtn1(new QPushButton("&Close", this)),
      SaveCheckBox(new QCheckBox("Save", this)),
      logic_(*this, ui) {
    setWindowTitle("Upload");
    PasswordEdit->setEchoMode(QLineEdit::Password);
    PasswordEdit->setStyleSheet("lineedit-password-character: 42");  // "*"
    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel("Email", this), 0, 0);
    layout->addWidget(EmailEdit, 0, 1, 1, 2);
    layout->addWidget(new QLabel("Password", this), 1, 0);
    layout->addWidget(PasswordEdit, 1, 1, 1, 2);
    layout->addWidget(ProcessButton, 2, 1);
    layout->addWidget(BitBtn1, 2, 2);
    layout->addWidget(SaveCheckBox, 3, 0, 1, 2);
    resize(227, 143);
    setTabOrder(EmailEdit, PasswordEdit);
    setTabOrder(PasswordEdit, ProcessButton);
    setTabOrder(ProcessButton, BitBtn1);
    setTabOrder(BitBtn1, SaveCheckBox);
    ProcessButton->setAutoDefault(false);
    BitBtn1->setAutoDefault(false);

    // Every change of either text re-judges the Process button (typing, pasting, clearing).
    connect(EmailEdit, &QLineEdit::textChanged, this, [this] { Handle(&PasswordForm::EditKeyUp); });
    connect(PasswordEdit, &QLineEdit::textChanged, this,
            [this] { Handle(&PasswordForm::EditKeyUp); });
    connect(ProcessButton, &QPushButton::clicked, this,
            [this] { Handle(&PasswordForm::ProcessButtonClick); });
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(SaveCheckBox, &QCheckBox::clicked, this,
            [this] { Handle(&PasswordForm::SaveCheckBoxClick); });
}

bool TPasswordFrm::ShowModal() {
    return exec() == QDialog::Accepted;
}

void TPasswordFrm::done(int result) {
    logic_.CancelCheck();
    QDialog::done(result);
}

void TPasswordFrm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Handle(&PasswordForm::FormShow);
}

void TPasswordFrm::Handle(void (PasswordForm::*handler)()) {
    try {
        (logic_.*handler)();
    } catch (const std::exception& error) {
        ShowMessage(error.what(), "Kitbinder");
    }
}

std::string TPasswordFrm::EmailText() const {
    return EmailEdit->text().toStdString();
}

std::string TPasswordFrm::PasswordText() const {
    return PasswordEdit->text().toStdString();
}

void TPasswordFrm::ClearEdits() {
    EmailEdit->clear();
    PasswordEdit->clear();
}

bool TPasswordFrm::SaveChecked() const {
    return SaveCheckBox->isChecked();
}

void TPasswordFrm::SetProcessEnabled(bool enabled) {
    ProcessButton->setEnabled(enabled);
}

void TPasswordFrm::ShowMessage(const std::string& text, const std::string& caption) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(caption),
                    QString::fromStdString(text), QMessageBox::Ok, this);
    box.exec();
}

}  // namespace kb
