#pragma once
// What makes the main window usable without a mouse and through a screen reader: names for the
// controls that show no text, labels tied to their fields, access keys, and a key that works a
// picture as a click does.
#include <QString>
#include <functional>

class QObject;
class QWidget;

namespace kb {

class MainWindow;

// Names the window's text-less controls, ties its labels to their fields, gives tabs, labels
// and buttons their access keys, and lets the keyboard reach the panel's picture.
void MakeAccessible(MainWindow& window);

// The caption as the control shows it: with its access key marked ("&"), when it has one.
QString WithAccessKey(const QObject* control, const QString& caption);

// Calls action when Enter, Return or Space is pressed on control; answers the hook (a child of
// control).
QObject* OnActivationKey(QWidget* control, std::function<void()> action);

}  // namespace kb
