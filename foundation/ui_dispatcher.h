#pragma once
// How a worker thread hands a short step to the user-interface thread: the step runs there and
// the worker waits until it has run. The window implements it with a blocking queued call;
// tests and single-threaded callers use DirectDispatcher.
#include <functional>

namespace kb {

class UiDispatcher {
  public:
    virtual ~UiDispatcher() = default;
    // Runs work on the user-interface thread and returns when it has run. An exception that
    // work throws is passed back to the caller.
    virtual void RunAndWait(std::function<void()> work) = 0;
};

// Runs the work at once on the calling thread.
class DirectDispatcher : public UiDispatcher {
  public:
    void RunAndWait(std::function<void()> work) override { work(); }
};

}  // namespace kb
