// The worker-thread mechanism shared by the missing-file check and the upload.
#include "foundation/worker_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <future>
#include <stdexcept>
#include <thread>

#include "foundation/system_calls.h"

namespace kb {
namespace {

// A worker whose body is given by the test; it exposes the protected steps.
class TestWorker : public WorkerThread {
  public:
    TestWorker(UiDispatcher& ui, std::function<void(TestWorker&)> body)
        : WorkerThread(ui, "Test worker"), body_(std::move(body)) {}

    static std::shared_ptr<TestWorker> Start(UiDispatcher& ui,
                                             std::function<void(TestWorker&)> body) {
        auto worker = std::make_shared<TestWorker>(ui, std::move(body));
        Launch(worker);
        return worker;
    }

    using WorkerThread::HandOver;
    using WorkerThread::ThrowIfCancelled;

  private:
    void Body() override { body_(*this); }

    std::function<void(TestWorker&)> body_;
};

TEST(WorkerThread, RunsAtBackgroundPriorityOnAThreadOfItsOwn) {
    DirectDispatcher ui;
    std::thread::id worker;
    bool background = false;
    auto thread = TestWorker::Start(ui, [&](TestWorker&) {
        worker = std::this_thread::get_id();
        background = os::RunsAtBackgroundPriority();
    });
    thread->Wait();
    EXPECT_TRUE(thread->Finished());
    EXPECT_NE(worker, std::this_thread::get_id());
    EXPECT_TRUE(background);
}

TEST(WorkerThread, KeepsItselfAliveWithoutAHandle) {
    DirectDispatcher ui;
    std::promise<void> ran;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> stepRan{false};
    {
        auto thread = TestWorker::Start(ui, [&](TestWorker& self) {
            ran.set_value();
            released.wait();
            self.HandOver([&] { stepRan = true; });
        });
        ran.get_future().wait();
    }
    // The handle is gone; the worker still runs its hand-over once released.
    release.set_value();
    while (!stepRan)
        std::this_thread::yield();
}

TEST(WorkerThread, CancelledWorkerHandsNothingOverAndEnds) {
    DirectDispatcher ui;
    std::promise<void> started;
    std::promise<void> cancelled;
    std::shared_future<void> cancelledSeen = cancelled.get_future().share();
    bool stepRan = false;
    bool afterThrowCheck = false;
    auto thread = TestWorker::Start(ui, [&](TestWorker& self) {
        started.set_value();
        cancelledSeen.wait();
        try {
            self.HandOver([&] { stepRan = true; });
        } catch (const WorkerCancelled&) {
            self.ThrowIfCancelled();
            afterThrowCheck = true;
        }
    });
    started.get_future().wait();
    thread->Cancel();
    cancelled.set_value();
    thread->Wait();
    EXPECT_TRUE(thread->Cancelled());
    EXPECT_FALSE(stepRan);
    EXPECT_FALSE(afterThrowCheck);
}

TEST(WorkerThread, FailingBodyStillEndsTheRun) {
    DirectDispatcher ui;
    for (const std::function<void(TestWorker&)>& body :
         std::vector<std::function<void(TestWorker&)>>{
             [](TestWorker&) { throw std::runtime_error("step failed"); },
             [](TestWorker&) { throw 7; },
             [](TestWorker& self) { self.HandOver([] { throw std::runtime_error("on ui"); }); }}) {
        testing::internal::CaptureStderr();
        auto thread = TestWorker::Start(ui, body);
        thread->Wait();
        const std::string log = testing::internal::GetCapturedStderr();
        EXPECT_TRUE(thread->Finished());
        EXPECT_EQ(log.rfind("Test worker: ", 0), 0u) << log;
    }
}

TEST(WorkerThread, FinishNoticeRunsOnce) {
    DirectDispatcher ui;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    auto thread = TestWorker::Start(ui, [&](TestWorker&) { released.wait(); });
    std::atomic<int> notices{0};
    std::thread::id workerThread;
    thread->WhenFinished([&] {
        ++notices;
        workerThread = std::this_thread::get_id();
    });
    release.set_value();
    thread->Wait();
    EXPECT_EQ(notices, 1);
    EXPECT_NE(workerThread, std::this_thread::get_id());

    // Asked after the end, the notice runs at once on the caller.
    std::thread::id noticeThread;
    thread->WhenFinished([&] { noticeThread = std::this_thread::get_id(); });
    EXPECT_EQ(noticeThread, std::this_thread::get_id());
    EXPECT_EQ(notices, 1);
}

}  // namespace
}  // namespace kb
