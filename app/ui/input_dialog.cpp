#include "app/ui/input_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ui/textured_page.h"

namespace kb {

InputDialog::InputDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("InputDialog"));
    setWindowTitle(QStringLiteral("Upload"));
    setFixedSize(222, 96);
    auto* page = new TexturedPage(this);
    page->setGeometry(rect());
    title_ = new QLabel(page);
    title_->setObjectName(QStringLiteral("Title"));
    title_->setAlignment(Qt::AlignCenter);
    title_->setGeometry(8, 8, 206, 18);
    edit_ = new QLineEdit(page);
    edit_->setObjectName(QStringLiteral("Edit"));
    edit_->setGeometry(16, 32, 190, 22);
    auto* ok = new QPushButton(QStringLiteral("Ok"), page);
    ok->setObjectName(QStringLiteral("OkButton"));
    ok->setGeometry(30, 64, 75, 24);
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), page);
    cancel->setObjectName(QStringLiteral("CancelButton"));
    cancel->setGeometry(117, 64, 75, 24);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

std::optional<std::string> InputDialog::Ask(const std::string& title, const std::string& text) {
    title_->setText(QString::fromStdString(title));
    edit_->setText(QString::fromStdString(text));
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    return entered_.toStdString();
}

void InputDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    entered_.clear();
    edit_->setFocus();
}

void InputDialog::hideEvent(QHideEvent* event) {
    entered_ = edit_->text();
    edit_->clear();
    QDialog::hideEvent(event);
}

}  // namespace kb
