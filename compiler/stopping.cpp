#include "compiler/stopping.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

#include "compiler/stopping_platform.h"
#include "foundation/files.h"

namespace compiler {

namespace fs = std::filesystem;

namespace {

std::mutex registeredMutex;
std::vector<std::string> registered;
std::vector<const std::function<void()>*> actions;
std::atomic<bool> stopRequested = false;
static_assert(std::atomic<bool>::is_always_lock_free);

}  // namespace

void MarkStopRequested() {
    stopRequested = true;
}

// Runs the stop actions, then removes the paths; the lock keeps both alive meanwhile.
void CleanUpForStop() {
    const std::lock_guard lock(registeredMutex);
    for (auto action = actions.rbegin(); action != actions.rend(); ++action)
        (**action)();
    // A folder still being filled may gain an entry while it is removed: try again.
    for (int attempt = 0; attempt < 5; ++attempt) {
        bool left = false;
        for (auto path = registered.rbegin(); path != registered.rend(); ++path) {
            std::error_code error;
            fs::remove_all(kb::FsPath(*path), error);
            left = left || fs::exists(kb::FsPath(*path), error);
        }
        if (!left)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void EndIfStopped() {
    while (stopRequested)
        std::this_thread::sleep_for(std::chrono::seconds(1));
}

RemovedOnStop::RemovedOnStop(std::string path) : path_(std::move(path)) {
    const std::lock_guard lock(registeredMutex);
    registered.push_back(path_);
}

RemovedOnStop::~RemovedOnStop() {
    const std::lock_guard lock(registeredMutex);
    for (auto at = registered.rbegin(); at != registered.rend(); ++at)
        if (*at == path_) {
            registered.erase(std::next(at).base());
            return;
        }
}

RunOnStop::RunOnStop(std::function<void()> action) : action_(std::move(action)) {
    const std::lock_guard lock(registeredMutex);
    actions.push_back(&action_);
}

// Going while a stop is under way (unwinding from what the stop broke), it acts itself, as the
// watcher may not get to it in time.
RunOnStop::~RunOnStop() {
    {
        const std::lock_guard lock(registeredMutex);
        actions.erase(std::find(actions.begin(), actions.end(), &action_));
    }
    if (stopRequested)
        action_();
}

int OwnerOf(std::string_view name, std::string_view prefix) {
    if (!name.starts_with(prefix))
        return 0;
    name.remove_prefix(prefix.size());
    int pid = 0;
    size_t digits = 0;
    for (; digits < name.size() && name[digits] >= '0' && name[digits] <= '9'; ++digits) {
        if (pid > 100000000)
            return 0;
        pid = pid * 10 + (name[digits] - '0');
    }
    if (digits == 0 || (digits < name.size() && name[digits] != '-' && name[digits] != '.'))
        return 0;
    return pid;
}

void RemoveLeftovers(const std::string& folder, std::string_view prefix) {
    std::error_code error;
    fs::directory_iterator entries(folder, error);
    if (error)
        return;
    for (const fs::directory_entry& entry : entries) {
        const int owner = OwnerOf(entry.path().filename().string(), prefix);
        if (owner > 0 && owner != ProcessId() && !ProcessRunning(owner)) {
            std::error_code ignored;
            fs::remove_all(entry.path(), ignored);
        }
    }
}

}  // namespace compiler
