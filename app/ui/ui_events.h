#pragma once
// Small hooks on widget events, so that plain Qt widgets can start the window's handlers
// without a subclass per control.
#include <QEvent>
#include <QObject>
#include <functional>

class QKeyEvent;
class QWidget;

namespace kb {

// Both answer the hook, a child of watched; deleting it ends the hook.

// Calls action each time watched receives an event of the given type (after the widget's own
// filters, before the widget handles it); the event then goes on as usual.
QObject* OnEvent(QObject* watched, QEvent::Type type, std::function<void()> action);

// Drops every key press of watched for which drop answers true.
QObject* FilterKeys(QObject* watched, std::function<bool(const QKeyEvent&)> drop);

}  // namespace kb
