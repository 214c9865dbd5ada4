#pragma once
// A modal window with a read-only text that can be selected and copied (the missing-file details).
#include <QString>

class QWidget;

namespace kb {

void ShowTextReport(QWidget* owner, const QString& title, const QString& text);

}  // namespace kb
