#include "app/ui/qt_ui_dispatcher.h"

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

}  // namespace kb
