#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "tests/upload/test_system.h"

extern char** environ;

namespace kb::test {
namespace {

// The first line written to fd, waiting at most ten seconds.
std::string ReadFirstLine(int fd) {
    std::string line;
    char c;
    while (line.size() < 100) {
        pollfd waiting{fd, POLLIN, 0};
        if (poll(&waiting, 1, 10000) <= 0 || read(fd, &c, 1) != 1 || c == '\n')
            break;
        line += c;
    }
    return line;
}

}  // namespace

Socket BindLoopback(int& port, bool listen) {
    const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (s < 0 || bind(s, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        (listen && ::listen(s, 16) != 0) ||
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        const std::string reason = std::strerror(errno);
        if (s >= 0)
            close(s);
        throw std::runtime_error("cannot listen on the loopback: " + reason);
    }
    port = ntohs(address.sin_port);
    return s;
}

Socket AcceptClient(Socket listener) {
    const int client = accept4(static_cast<int>(listener), nullptr, nullptr, SOCK_CLOEXEC);
    return client < 0 ? kNoSocket : client;
}

std::ptrdiff_t ReceiveSome(Socket socket, char* data, std::size_t size) {
    return recv(static_cast<int>(socket), data, size, 0);
}

std::ptrdiff_t SendSome(Socket socket, const char* data, std::size_t size) {
    return send(static_cast<int>(socket), data, size, MSG_NOSIGNAL);
}

void CloseSocket(Socket socket) {
    close(static_cast<int>(socket));
}

ChildServer::ChildServer(const std::vector<std::string>& arguments) {
    int output[2];
    if (pipe(output) != 0)
        throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, output[0]);
    std::vector<char*> argv;
    for (const auto& a : arguments)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(output[1]);
    if (spawned != 0) {
        close(output[0]);
        throw std::runtime_error("cannot start " + arguments.front());
    }
    process_ = pid;
    firstLine_ = ReadFirstLine(output[0]);
    close(output[0]);
}

ChildServer::~ChildServer() {
    kill(static_cast<pid_t>(process_), SIGKILL);
    waitpid(static_cast<pid_t>(process_), nullptr, 0);
}

}  // namespace kb::test
