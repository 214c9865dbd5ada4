#include "app/ui/build_form.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace kb {

BuildForm::BuildForm(QWidget* owner)
    : QDialog(owner),
      step_(new QLabel(this)),
      progress_(new QProgressBar(this)),
      log_(new QPlainTextEdit(this)),
      outcome_(new QLabel(this)),
      copy_(new QPushButton(QStringLiteral("Copy"), this)),
      cancel_(new QPushButton(QStringLiteral("Cancel"), this)) {
    setObjectName(QStringLiteral("BuildForm"));
    setWindowTitle(QStringLiteral("Create Setup"));
    setWindowModality(Qt::WindowModal);
    step_->setObjectName(QStringLiteral("BuildStep"));
    progress_->setObjectName(QStringLiteral("BuildProgress"));
    log_->setObjectName(QStringLiteral("BuildLog"));
    log_->setReadOnly(true);
    log_->setLineWrapMode(QPlainTextEdit::NoWrap);
    log_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    outcome_->setObjectName(QStringLiteral("BuildOutcome"));
    outcome_->setWordWrap(true);
    outcome_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    copy_->setObjectName(QStringLiteral("BuildCopyButton"));
    copy_->setToolTip(QStringLiteral("Copy the log to the clipboard"));
    cancel_->setObjectName(QStringLiteral("BuildCancelButton"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(copy_);
    buttons->addStretch();
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(step_);
    layout->addWidget(progress_);
    layout->addWidget(log_, 1);
    layout->addWidget(outcome_);
    layout->addLayout(buttons);
    resize(640, 400);

    connect(copy_, &QPushButton::clicked, this,
            [this] { QApplication::clipboard()->setText(log_->toPlainText()); });
    connect(cancel_, &QPushButton::clicked, this, [this] { CancelOrClose(); });
}

void BuildForm::Start(std::function<void()> cancel) {
    onCancel_ = std::move(cancel);
    running_ = true;
    step_->clear();
    log_->clear();
    outcome_->clear();
    progress_->setRange(0, 1);
    progress_->setValue(0);
    cancel_->setText(QStringLiteral("Cancel"));
    cancel_->setEnabled(true);
    show();
    raise();
}

void BuildForm::SetStep(const QString& step) {
    step_->setText(step);
}

void BuildForm::SetProgress(int done, int total) {
    progress_->setRange(0, total);  // 0 to 0: busy without a measure
    progress_->setValue(done);
}

void BuildForm::AppendLog(const QString& text) {
    log_->moveCursor(QTextCursor::End);
    log_->insertPlainText(text);
    log_->verticalScrollBar()->setValue(log_->verticalScrollBar()->maximum());
}

void BuildForm::End(const QString& outcome, bool succeeded) {
    running_ = false;
    outcome_->setText(outcome);
    if (succeeded)
        progress_->setRange(0, std::max(progress_->maximum(), 1));
    if (succeeded)
        progress_->setValue(progress_->maximum());
    cancel_->setText(QStringLiteral("Close"));
    cancel_->setEnabled(true);
}

QString BuildForm::Step() const {
    return step_->text();
}

QString BuildForm::Log() const {
    return log_->toPlainText();
}

// Escape and the window's close button cancel a running build and close an ended one.
void BuildForm::reject() {
    CancelOrClose();
}

void BuildForm::CancelOrClose() {
    if (!running_) {
        QDialog::reject();
        return;
    }
    cancel_->setEnabled(false);
    SetStep(QStringLiteral("Cancelling..."));
    if (onCancel_)
        onCancel_();
}

}  // namespace kb
