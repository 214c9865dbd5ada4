#include "app/ui/hints.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QVariant>
#include <QWidget>

#include "app/logic/form_model.h"

namespace kb {
namespace {

constexpr const char* kHintProperty = "kbHint";
constexpr const char* kStatusBarOnlyProperty = "kbHintStatusBarOnly";

// The hint that applies at a control: its own, else the nearest of its parents inside the window.
QString HintAt(const QWidget* control) {
    for (const QWidget* w = control; w != nullptr; w = w->parentWidget()) {
        const QString hint = HintOf(w);
        if (!hint.isEmpty())
            return hint;
        if (w->isWindow())
            break;
    }
    return {};
}

}  // namespace

void SetHint(QWidget* control, const QString& hint) {
    if (HintOf(control) == hint && control->property(kHintProperty).isValid())
        return;
    control->setProperty(kHintProperty, hint);
    const bool statusBarOnly = control->property(kStatusBarOnlyProperty).toBool();
    const QString tip = QString::fromStdString(ShortHint(hint.toStdString())).trimmed();
    control->setToolTip(statusBarOnly ? QString() : tip);
    // A button that shows only an icon is named by its hint.
    if (auto* button = qobject_cast<QAbstractButton*>(control); button && button->text().isEmpty())
        button->setAccessibleName(tip);
}

QString HintOf(const QWidget* control) {
    return control->property(kHintProperty).toString();
}

void SetStatusBarOnly(QWidget* control) {
    control->setProperty(kStatusBarOnlyProperty, true);
    control->setToolTip(QString());
}

HintWatcher::HintWatcher(QWidget* window, std::function<void(const QString&)> hintChanged)
    : QObject(window), window_(window), hintChanged_(std::move(hintChanged)) {
    qApp->installEventFilter(this);
}

bool HintWatcher::eventFilter(QObject* watched, QEvent* event) {
    if (!watched->isWidgetType())
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    if (widget->window() != window_)
        return false;
    if (event->type() == QEvent::Enter) {
        Report(HintAt(widget));
    } else if (event->type() == QEvent::Leave) {
        // Back on the parent, or out of the window (which reports no hint).
        Report(widget->isWindow() ? QString() : HintAt(widget->parentWidget()));
    }
    return false;
}

void HintWatcher::Report(const QString& hint) {
    if (hint == current_)
        return;
    current_ = hint;
    hintChanged_(hint);
}

}  // namespace kb
