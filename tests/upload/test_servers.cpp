#include "tests/upload/test_servers.h"

#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "tests/upload/test_certificates.h"

namespace kb::test {

ServerProcess::ServerProcess(const std::vector<std::string>& arguments)
    : child_(std::make_unique<ChildServer>(arguments)) {
    const std::string& line = child_->FirstLine();
    port_ = line.empty() ? 0 : std::stoi(line);
    if (port_ <= 0)
        throw std::runtime_error("test server did not start: " + arguments.front());
}

ServerProcess::~ServerProcess() = default;

std::vector<std::string> HttpServerCommand(const std::vector<ServiceAccount>& accounts) {
    std::vector<std::string> command{KB_HTTP_TEST_SERVER};
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
    return KB_FAKE_STORE_HELPERS + std::to_string(static_cast<int>(kind)) + KB_EXECUTABLE_SUFFIX;
}

SilentServer::SilentServer() : socket_(BindLoopback(port_, true)) {}

SilentServer::~SilentServer() {
    CloseSocket(socket_);
}

int ClosedPort() {
    int port = 0;
    CloseSocket(BindLoopback(port, false));
    return port;
}

std::chrono::milliseconds TimeToStopAfterCancel(std::atomic<bool>& cancelled,
                                                const std::function<void()>& call,
                                                std::chrono::milliseconds delay) {
    using Clock = std::chrono::steady_clock;
    std::mutex mutex;
    std::condition_variable returned;
    bool done = false;
    Clock::time_point cancelledAt;
    std::thread canceller([&] {
        std::unique_lock lock(mutex);
        if (!returned.wait_for(lock, delay, [&] { return done; })) {
            cancelledAt = Clock::now();
            cancelled = true;
        }
    });
    call();
    const Clock::time_point end = Clock::now();
    {
        std::lock_guard lock(mutex);
        done = true;
    }
    returned.notify_all();
    canceller.join();
    if (!cancelled)
        return std::chrono::milliseconds(0);
    return std::chrono::duration_cast<std::chrono::milliseconds>(end - cancelledAt);
}

}  // namespace kb::test
