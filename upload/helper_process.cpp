#include "upload/helper_process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>
#include <vector>

#include "foundation/platform.h"

extern char** environ;

namespace kb {
namespace {

// How long an ending helper may take before it is killed.
constexpr auto kEndingTime = std::chrono::seconds(2);

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

HelperProcess::HelperProcess(const std::string& program) {
    const std::string path = FindProgram(program);
    int ends[2];
    if (path.empty() || socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        return;
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
        return;
    }
    pid_ = pid;
    socket_ = ends[0];
}

HelperProcess::~HelperProcess() {
    Stop(false);
}

void HelperProcess::Stop(bool kill) {
    if (pid_ <= 0)
        return;
    // The end of its input asks the helper to end.
    shutdown(socket_, SHUT_RDWR);
    close(socket_);
    if (kill || !Reap(pid_, kEndingTime)) {
        ::kill(pid_, SIGKILL);
        Reap(pid_, std::chrono::hours(1));
    }
    pid_ = -1;
    socket_ = -1;
}

BsonDocument HelperProcess::Ask(const bson_t& request, std::chrono::milliseconds timeout) {
    if (pid_ <= 0)
        return {};
    BsonDocument reply;
    if (WriteDocument(socket_, request))
        reply = ReadDocument(socket_, kMaxStoreReplyBytes, timeout);
    if (!reply)
        Stop(true);
    return reply;
}

}  // namespace kb
