// The POSIX side of stopping: a signal handler that only wakes a watcher thread, which does the
// work no handler may do.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

#include "compiler/stopping.h"

namespace compiler {
namespace {

std::mutex registeredMutex;
std::vector<std::string> registered;
std::vector<const std::function<void()>*> actions;
int wakeFds[2] = {-1, -1};
std::atomic<bool> stopRequested = false;
static_assert(std::atomic<bool>::is_always_lock_free);

constexpr int kStopSignals[] = {SIGTERM, SIGINT, SIGHUP};

void OnStopSignal(int signal) {
    const int saved = errno;
    stopRequested = true;
    const unsigned char number = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t ignored = ::write(wakeFds[1], &number, 1);
    errno = saved;
}

// Runs the stop actions, then removes the paths; the lock keeps both alive meanwhile.
void CleanUp() {
    const std::lock_guard lock(registeredMutex);
    for (auto action = actions.rbegin(); action != actions.rend(); ++action)
        (**action)();
    // A folder still being filled may gain an entry while it is removed: try again.
    for (int attempt = 0; attempt < 5; ++attempt) {
        bool left = false;
        for (auto path = registered.rbegin(); path != registered.rend(); ++path) {
            std::error_code error;
            std::filesystem::remove_all(*path, error);
            left = left || std::filesystem::exists(*path, error);
        }
        if (!left)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void WatchForStop() {
    unsigned char number = 0;
    while (::read(wakeFds[0], &number, 1) != 1)
        if (errno != EINTR)
            return;
    // Leading its own process group (as the window starts it), the compiler passes the stop on
    // to the programs it started; otherwise they share the caller's group, which got it too.
    if (::getpgrp() == ::getpid())
        ::kill(0, SIGTERM);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    CleanUp();
    ::signal(number, SIG_DFL);
    ::raise(number);
    ::_exit(128 + number);
}

}  // namespace

void StopCleanlyOnSignals() {
    if (::pipe2(wakeFds, O_CLOEXEC) != 0)
        return;
    std::thread(WatchForStop).detach();
    struct sigaction action = {};
    action.sa_handler = OnStopSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int signal : kStopSignals)
        ::sigaction(signal, &action, nullptr);
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

int ProcessId() {
    return static_cast<int>(::getpid());
}

bool ProcessRunning(int pid) {
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

}  // namespace compiler
