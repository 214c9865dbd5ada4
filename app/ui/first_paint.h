#pragma once
// Start-up measurements: with KB_EXIT_AFTER_FIRST_PAINT set in the environment, a program that
// calls ExitAfterFirstPaint on its main window writes "painted <CPU milliseconds>" on standard
// output once the window was painted for the first time, and ends its event loop (the
// processor time, of all threads since the process began, shows the cost on a busy machine).
// Header-only, so that the bench's Qt hello uses the same hook without linking the program's
// libraries.
#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <ctime>

namespace kb {

class FirstPaintExit : public QObject {
  public:
    explicit FirstPaintExit(QWidget& window) : QObject(&window) { window.installEventFilter(this); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            // Queued: the window's children paint and the backing store flushes first.
            QTimer::singleShot(0, QCoreApplication::instance(), [] {
                std::printf("painted %.2f\n", 1000.0 * double(std::clock()) / CLOCKS_PER_SEC);
                std::fflush(stdout);
                QCoreApplication::quit();
            });
        }
        return false;
    }
};

inline void ExitAfterFirstPaint(QWidget& window) {
    if (qEnvironmentVariableIsSet("KB_EXIT_AFTER_FIRST_PAINT"))
        new FirstPaintExit(window);
}

}  // namespace kb
