#pragma once
// Hands a worker's step to the user-interface thread and waits for it (a blocking queued call);
// on the user-interface thread itself the step runs at once.
#include <QObject>

#include "foundation/ui_dispatcher.h"
#include "foundation/worker_thread.h"

namespace kb {

class QtUiDispatcher : public QObject, public UiDispatcher {
  public:
    // Lives on the calling thread, which must be the user-interface thread.
    QtUiDispatcher();
    void RunAndWait(std::function<void()> work) override;
};

// Serves the calling thread's event queue until worker has ended, so that a step the worker
// waits for can still run; returns at once when it has ended.
void ServeUntilFinished(WorkerThread& worker);

}  // namespace kb
