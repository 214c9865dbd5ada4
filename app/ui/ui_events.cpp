#include "app/ui/ui_events.h"

#include <QKeyEvent>

namespace kb {
namespace {

class EventHook : public QObject {
  public:
    EventHook(QObject* watched, QEvent::Type type, std::function<bool(QEvent*)> action)
        : QObject(watched), type_(type), action_(std::move(action)) {
        watched->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override {
        return event->type() == type_ && action_(event);
    }

  private:
    QEvent::Type type_;
    std::function<bool(QEvent*)> action_;
};

}  // namespace

QObject* OnEvent(QObject* watched, QEvent::Type type, std::function<void()> action) {
    return new EventHook(watched, type, [action = std::move(action)](QEvent*) {
        action();
        return false;
    });
}

QObject* FilterKeys(QObject* watched, std::function<bool(const QKeyEvent&)> drop) {
    return new EventHook(watched, QEvent::KeyPress, [drop = std::move(drop)](QEvent* event) {
        return drop(*static_cast<QKeyEvent*>(event));
    });
}

}  // namespace kb
