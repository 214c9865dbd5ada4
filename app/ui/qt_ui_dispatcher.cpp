#include "app/ui/qt_ui_dispatcher.h"

#include <QEventLoop>
#include <QThread>
#include <exception>

namespace kb {

QtUiDispatcher::QtUiDispatcher() = default;

void QtUiDispatcher::RunAndWait(std::function<void()> work) {
    if (QThread::currentThread() == thread()) {
        work();
        return;
    }
    std::exception_ptr failure;
    QMetaObject::invokeMethod(
        this,
        [&] {
            try {
                work();
            } catch (...) {
                failure = std::current_exception();
            }
        },
        Qt::BlockingQueuedConnection);
    if (failure)
        std::rethrow_exception(failure);
}

void ServeUntilFinished(WorkerThread& worker) {
    QEventLoop loop;
    // The notice runs before Finished() turns true, so the loop outlives it.
    worker.WhenFinished(
        [&loop] { QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection); });
    while (!worker.Finished())
        loop.exec();
}

}  // namespace kb
