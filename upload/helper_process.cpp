#include "upload/helper_process.h"

#include "foundation/platform.h"

namespace kb {
namespace {

// How long an ending helper may take before it is killed.
constexpr auto kEndingTime = std::chrono::seconds(2);

}  // namespace

HelperProcess::HelperProcess(const std::string& program) {
    const std::string path = FindProgram(program);
    if (!path.empty())
        child_ = StartChild(path);
}

HelperProcess::~HelperProcess() {
    Stop(false);
}

void HelperProcess::Stop(bool kill) {
    if (!child_)
        return;
    // The end of its input asks the helper to end.
    EndChild(*child_, kill ? std::chrono::milliseconds(0) : kEndingTime);
    child_.reset();
}

BsonDocument HelperProcess::Ask(const bson_t& request, std::chrono::milliseconds timeout) {
    if (!child_)
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
