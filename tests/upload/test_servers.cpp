#include "tests/upload/test_servers.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

#include "tests/upload/test_certificates.h"

extern char** environ;

namespace kb::test {
namespace {

// A socket bound to 127.0.0.1 on a port the system chooses; returns the port.
int BindLoopback(int socket) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (bind(socket, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        getsockname(socket, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        throw std::runtime_error(std::string("cannot bind: ") + std::strerror(errno));
    return ntohs(address.sin_port);
}

// The first line the child writes, waiting at most ten seconds.
std::string FirstLine(int fd) {
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

ServerProcess::ServerProcess(const std::vector<std::string>& arguments) {
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
    const int spawned = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(output[1]);
    const std::string line = spawned == 0 ? FirstLine(output[0]) : "";
    close(output[0]);
    port_ = line.empty() ? 0 : std::stoi(line);
    if (port_ <= 0) {
        if (spawned == 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        throw std::runtime_error("test server did not start: " + arguments.front());
    }
}

ServerProcess::~ServerProcess() {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
}

std::vector<std::string> HttpServerCommand(const std::vector<ServiceAccount>& accounts) {
    std::vector<std::string> command{KB_PYTHON3, KB_HTTP_TEST_SERVER};
    for (const auto& account : accounts)
        command.insert(command.end(), {"--account", account.email, account.password, account.id});
    return command;
}

std::vector<std::string> MongoServerCommand(const std::string& user, const std::string& password,
                                            const std::string& mechanisms, int maxBsonObjectSize,
                                            const std::string& hostileAt) {
    std::vector<std::string> command{KB_MONGO_TEST_SERVER, "--mechanisms", mechanisms};
    if (!user.empty())
        command.insert(command.end(), {"--user", user, password});
    if (maxBsonObjectSize > 0)
        command.insert(command.end(), {"--max-bson-size", std::to_string(maxBsonObjectSize)});
    if (!hostileAt.empty())
        command.insert(command.end(), {"--hostile-at", hostileAt});
    return command;
}

std::vector<std::string> TlsMongoServerCommand(const std::string& user,
                                               const std::string& password) {
    std::vector<std::string> command = MongoServerCommand(user, password);
    command.insert(command.end(), {"--tls", Certificates().serverChain, Certificates().serverKey});
    return command;
}

std::vector<std::string> TlsHttpServerCommand(const std::vector<ServiceAccount>& accounts) {
    std::vector<std::string> command = HttpServerCommand(accounts);
    command.insert(command.end(), {"--tls", Certificates().serverChain, Certificates().serverKey});
    return command;
}

std::string StoreHelper() {
    return KB_STORE_HELPER;
}

std::string FakeStoreHelper(FakeHelper kind) {
    return KB_FAKE_STORE_HELPERS + std::to_string(static_cast<int>(kind));
}

SilentServer::SilentServer() : socket_(socket(AF_INET, SOCK_STREAM, 0)) {
    port_ = BindLoopback(socket_);
    listen(socket_, 16);
}

SilentServer::~SilentServer() {
    close(socket_);
}

int ClosedPort() {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    const int port = BindLoopback(s);
    close(s);
    return port;
}

}  // namespace kb::test
