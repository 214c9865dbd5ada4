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
#include <QTextBlock>
#include <QVBoxLayout>
#include <algorithm>

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
    // Long lines wrap, paths anywhere, so that no message loses the file it names.
    log_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    log_->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
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
    // A busy bar (0 to 0) would go on moving: it stops, full or empty.
    const int total = std::max(progress_->maximum(), 1);
    const int done = succeeded ? total : std::min(progress_->value(), total);
    progress_->setRange(0, total);
    progress_->setValue(std::max(done, 0));
    cancel_->setText(QStringLiteral("Close"));
    cancel_->setEnabled(true);
    if (!succeeded)
        ShowFirstError();
}

// Brings the log's first error line to the top of the view: the checks list errors before
// warnings, and the end of a long report would show only warnings.
void BuildForm::ShowFirstError() {
    const QTextBlock block = FirstErrorLine();
    if (!block.isValid())
        return;
    // Coming from the end, the view scrolls up just far enough: the line lands at the top.
    log_->moveCursor(QTextCursor::End);
    log_->ensureCursorVisible();
    QTextCursor cursor(block);
    log_->setTextCursor(cursor);
    log_->ensureCursorVisible();
}

QTextBlock BuildForm::FirstErrorLine() const {
    for (QTextBlock block = log_->document()->firstBlock(); block.isValid(); block = block.next())
        if (block.text().startsWith(QStringLiteral("Error")))
            return block;
    return {};
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
