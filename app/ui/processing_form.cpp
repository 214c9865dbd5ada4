#include "app/ui/processing_form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>

namespace kb {

ProcessingForm::ProcessingForm(QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("ProcessingMacroForm"));
    // Shown while a worker runs: it never keeps the program alive once the main window closed.
    setAttribute(Qt::WA_QuitOnClose, false);
    setFixedSize(169, 87);
    setAutoFillBackground(true);
    auto* label = new QLabel(QStringLiteral("Processing"), this);
    label->setObjectName(QStringLiteral("Label1"));
    label->setGeometry(12, 34, 64, 18);
    threadLabel_ = new QLabel(QStringLiteral("ThreadLabel"), this);
    threadLabel_->setObjectName(QStringLiteral("ThreadLabel"));
    threadLabel_->setGeometry(78, 34, 86, 18);
}

void ProcessingForm::SetThreadLabel(const QString& text) {
    threadLabel_->setText(text);
}

QString ProcessingForm::ThreadLabel() const {
    return threadLabel_->text();
}

void ProcessingForm::showEvent(QShowEvent* event) {
    if (parentWidget() != nullptr) {
        move(parentWidget()->geometry().center() - rect().center());
    }
    if (!busy_)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    busy_ = true;
    QWidget::showEvent(event);
}

void ProcessingForm::hideEvent(QHideEvent* event) {
    if (busy_)
        QApplication::restoreOverrideCursor();
    busy_ = false;
    QWidget::hideEvent(event);
}

// The person cannot close it; the work that showed it hides it.
void ProcessingForm::closeEvent(QCloseEvent* event) {
    event->ignore();
}

}  // namespace kb
