#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>
#include <vector>

#include "upload/child_process.h"

extern char** environ;

namespace kb {
namespace {

// Waits for pid to end, at most for the given time; true when it has been reaped.
bool Reap(pid_t pid, std::chrono::milliseconds patience) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (true) {
        const pid_t done = waitpid(pid, nullptr, WNOHANG);
        if (done == pid || (done < 0 && errno != EINTR))
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

}  // namespace

std::optional<ChildProcess> StartChild(const std::string& path) {
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
    std::vector<char*> argv{const_cast<char*>(path.c_str()), nullptr};
    pid_t pid = -1;
    const int error = posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(ends[1]);
    if (error != 0) {
        close(ends[0]);
        return std::nullopt;
    }
    return ChildProcess{pid, ends[0]};
}

// The child is not reaped before EndChild, so its process id cannot have been reused.
void KillChild(const ChildProcess& child) {
    kill(static_cast<pid_t>(child.process), SIGKILL);
}

void EndChild(const ChildProcess& child, std::chrono::milliseconds patience) {
    const int socket = static_cast<int>(child.stream);
    const auto pid = static_cast<pid_t>(child.process);
    shutdown(socket, SHUT_RDWR);
    close(socket);
    if (!Reap(pid, patience)) {
        kill(pid, SIGKILL);
        Reap(pid, std::chrono::hours(1));
    }
}

}  // namespace kb
