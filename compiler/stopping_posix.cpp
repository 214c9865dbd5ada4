// The POSIX side of stopping: a signal handler that only wakes a watcher thread, which does the
// work no handler may do.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "compiler/stopping.h"
#include "compiler/stopping_platform.h"

namespace compiler {
namespace {

int wakeFds[2] = {-1, -1};

constexpr int kStopSignals[] = {SIGTERM, SIGINT, SIGHUP};

void OnStopSignal(int signal) {
    const int saved = errno;
    MarkStopRequested();
    const unsigned char number = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t ignored = ::write(wakeFds[1], &number, 1);
    errno = saved;
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
    CleanUpForStop();
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

int ProcessId() {
    return static_cast<int>(::getpid());
}

bool ProcessRunning(int pid) {
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

}  // namespace compiler
