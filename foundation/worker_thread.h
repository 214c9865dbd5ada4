#pragma once
// A worker thread of background priority whose progress and result reach the user-interface thread
// through a UiDispatcher, waiting for each step. The worker keeps itself alive until its run has
// ended; a handle is only needed to cancel it or wait for it. It never touches a window; the
// steps it hands over do.
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "foundation/ui_dispatcher.h"

namespace kb {

// Thrown inside a worker once it was cancelled, to leave its body early; the run then ends
// without a word.
struct WorkerCancelled {};

class WorkerThread {
  public:
    virtual ~WorkerThread() = default;
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Asks the worker to stop: no further step is handed over.
    void Cancel() { cancelled_ = true; }
    bool Cancelled() const { return cancelled_; }
    bool Finished() const;
    // Blocks until the run has ended. Never call it on the user-interface thread unless the
    // dispatcher can still run the worker's steps meanwhile (or the worker was cancelled and no
    // step is pending).
    void Wait();
    // Calls notice once the run has ended: at once when it has, otherwise on the worker thread
    // just before Finished() turns true. notice must be quick and must not call back into this.
    void WhenFinished(std::function<void()> notice);

  protected:
    // logName prefixes what the last-resort catch writes to the standard error.
    WorkerThread(UiDispatcher& ui, std::string logName);

    // Runs worker's Body on a new detached thread of background priority.
    static void Launch(std::shared_ptr<WorkerThread> worker);
    // The work; WorkerCancelled ends it quietly, any other exception goes to the log, since
    // nobody is left to tell.
    virtual void Body() = 0;
    // Throws WorkerCancelled once the worker was cancelled.
    void ThrowIfCancelled() const;
    // The flag Cancel sets, for calls that break off when it turns true.
    const std::atomic<bool>& CancelFlag() const { return cancelled_; }
    // Runs step on the user-interface thread and waits for it; throws WorkerCancelled instead
    // once the worker was cancelled.
    void HandOver(std::function<void()> step);

  private:
    void Run();

    UiDispatcher& ui_;
    const std::string logName_;
    std::atomic<bool> cancelled_{false};
    mutable std::mutex finishMutex_;
    std::condition_variable finishedSignal_;
    bool finished_ = false;
    std::vector<std::function<void()>> finishNotices_;
};

}  // namespace kb
