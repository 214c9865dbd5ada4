#include "foundation/worker_thread.h"

#include <cstdio>
#include <thread>

#include "foundation/thread_priority.h"

namespace kb {

WorkerThread::WorkerThread(UiDispatcher& ui, std::string logName)
    : ui_(ui), logName_(std::move(logName)) {}

void WorkerThread::Launch(std::shared_ptr<WorkerThread> worker) {
    std::thread([worker = std::move(worker)] { worker->Run(); }).detach();
}

bool WorkerThread::Finished() const {
    std::lock_guard lock(finishMutex_);
    return finished_;
}

void WorkerThread::Wait() {
    std::unique_lock lock(finishMutex_);
    finishedSignal_.wait(lock, [this] { return finished_; });
}

void WorkerThread::WhenFinished(std::function<void()> notice) {
    {
        std::lock_guard lock(finishMutex_);
        if (!finished_) {
            finishNotices_.push_back(std::move(notice));
            return;
        }
    }
    notice();
}

void WorkerThread::ThrowIfCancelled() const {
    if (cancelled_)
        throw WorkerCancelled{};
}

void WorkerThread::HandOver(std::function<void()> step) {
    ThrowIfCancelled();
    ui_.RunAndWait(std::move(step));
}

void WorkerThread::Run() {
    LowerToBackgroundPriority();
    try {
        Body();
    } catch (const WorkerCancelled&) {
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s: %s\n", logName_.c_str(), error.what());
    } catch (...) {
        std::fprintf(stderr, "%s: unknown error\n", logName_.c_str());
    }
    {
        // The notices run before Finished() turns true, so that whoever waits on one of them and
        // then sees the run ended knows the notice will not run any more.
        std::lock_guard lock(finishMutex_);
        for (const std::function<void()>& notice : finishNotices_)
            notice();
        finishNotices_.clear();
        finished_ = true;
    }
    finishedSignal_.notify_all();
}

}  // namespace kb
