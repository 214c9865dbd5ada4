#pragma once
// Hints of the controls: the short part is the tooltip, the long part goes to the status bar
// while the pointer rests on the control.
#include <QObject>
#include <QString>
#include <functional>

class QWidget;

namespace kb {

// Gives a control its hint ("short|long"); its short part becomes the tooltip unless the control
// was made status-bar-only.
void SetHint(QWidget* control, const QString& hint);
QString HintOf(const QWidget* control);
// Keeps the control's hint out of tooltips: it shows in the status bar only.
void SetStatusBarOnly(QWidget* control);

// Watches the pointer over one window and reports the hint of the control under it (the nearest
// hinted control among it and its parents; "" over none) each time that changes.
class HintWatcher : public QObject {
  public:
    HintWatcher(QWidget* window, std::function<void(const QString&)> hintChanged);
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Report(const QString& hint);

    QWidget* window_;
    std::function<void(const QString&)> hintChanged_;
    QString current_;
};

}  // namespace kb
