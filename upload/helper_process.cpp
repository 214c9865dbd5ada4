#include "upload/helper_process.h"

#include "foundation/platform.h"

namespace kb {
namespace {

// How long an ending helper may take before it is killed.
constexpr auto kEndingTime = std::chrono::seconds(2);
// How often the watcher looks at the cancel flag, which cannot wake it.
constexpr auto kCancelLook = std::chrono::milliseconds(20);

}  // namespace

HelperProcess::HelperProcess(const std::string& program, const std::atomic<bool>* cancelled)
    : cancelled_(cancelled) {
    const std::string path = FindProgram(program);
    if (!path.empty())
        child_ = StartChild(path);
    if (child_ && cancelled_ != nullptr)
        watcher_ = std::jthread([this](std::stop_token stop) { WatchForCancel(stop); });
}

HelperProcess::~HelperProcess() {
    if (watcher_.joinable()) {
        watcher_.request_stop();
        watcher_.join();
    }
    Stop(Cancelled());
}

void HelperProcess::WatchForCancel(const std::stop_token& stop) {
    std::unique_lock lock(mutex_);
    while (!stop.stop_requested()) {
        if (wake_.wait_for(lock, stop, kCancelLook, [this] { return Cancelled(); })) {
            if (child_)
                KillChild(*child_);
            return;
        }
    }
}

void HelperProcess::Stop(bool kill) {
    std::optional<ChildProcess> ending;
    {
        std::lock_guard lock(mutex_);
        ending.swap(child_);
    }
    if (!ending)
        return;
    // The end of its input asks the helper to end.
    EndChild(*ending, kill || Cancelled() ? std::chrono::milliseconds(0) : kEndingTime);
}

BsonDocument HelperProcess::Ask(const bson_t& request, std::chrono::milliseconds timeout) {
    if (!child_ || Cancelled())
        return {};
    const Deadline deadline = std::chrono::steady_clock::now() + timeout;
    BsonDocument reply;
    if (WriteDocument(child_->stream, request, deadline))
        reply = ReadDocument(child_->stream, kMaxStoreReplyBytes, deadline);
    if (!reply)
        Stop(true);
    return reply;
}

}  // namespace kb
