#include "app/ui/report_form.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kb {

void ShowTextReport(QWidget* owner, const QString& title, const QString& text) {
    QDialog dialog(owner);
    dialog.setObjectName(QStringLiteral("ReportForm"));
    dialog.setWindowTitle(title);
    auto* view = new QPlainTextEdit(text, &dialog);
    view->setObjectName(QStringLiteral("ReportText"));
    view->setReadOnly(true);
    view->setLineWrapMode(QPlainTextEdit::NoWrap);
    view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto* copy = new QPushButton(QStringLiteral("Copy"), &dialog);
    auto* close = new QPushButton(QStringLiteral("Close"), &dialog);
    close->setDefault(true);
    QObject::connect(copy, &QPushButton::clicked, &dialog,
                     [view] { QApplication::clipboard()->setText(view->toPlainText()); });
    QObject::connect(close, &QPushButton::clicked, &dialog, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(copy);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(view, 1);
    layout->addLayout(buttons);
    dialog.resize(640, 420);
    dialog.exec();
}

}  // namespace kb
