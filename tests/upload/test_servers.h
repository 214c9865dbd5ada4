#pragma once
// The test servers of the upload tests, run as child processes on 127.0.0.1, and a socket that
// accepts connections but never answers.
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/upload/test_system.h"

namespace kb::test {

// A program started with arguments that prints its port on its first output line. Killed and
// waited for when destroyed.
class ServerProcess {
  public:
    explicit ServerProcess(const std::vector<std::string>& arguments);
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    int Port() const { return port_; }

  private:
    std::unique_ptr<ChildServer> child_;
    int port_ = 0;
};

// The account-check service: kb_http_test_server.
struct ServiceAccount {
    std::string email;
    std::string password;
    std::string id;
};
std::vector<std::string> HttpServerCommand(const std::vector<ServiceAccount>& accounts);

// The document database: kb_mongo_test_server with one user (none when user is empty); a
// maxBsonObjectSize of 0 keeps the server's usual limit. hostileAt names the command answered
// with a malformed reply.
std::vector<std::string> MongoServerCommand(
    const std::string& user, const std::string& password,
    const std::string& mechanisms = "SCRAM-SHA-1,SCRAM-SHA-256", int maxBsonObjectSize = 0,
    const std::string& hostileAt = "");
// The same server speaking TLS with the test certificates.
std::vector<std::string> TlsMongoServerCommand(const std::string& user,
                                               const std::string& password);
// The account-check service over HTTPS with the test certificates.
std::vector<std::string> TlsHttpServerCommand(const std::vector<ServiceAccount>& accounts);

// The document-store helper of the build.
std::string StoreHelper();
// A stand-in helper that fails as a driver might.
enum class FakeHelper { CrashAtConnect = 0, CrashAtInsert = 1, NeverAnswers = 2, StopsReading = 3 };
std::string FakeStoreHelper(FakeHelper kind);

// A listening socket on 127.0.0.1 that never accepts: connections open and then hear nothing.
class SilentServer {
  public:
    SilentServer();
    ~SilentServer();
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;
    int Port() const { return port_; }

  private:
    int port_ = 0;
    Socket socket_;
};

// A port on 127.0.0.1 where nothing listens.
int ClosedPort();

// Runs call, sets cancelled after delay from another thread, and returns how long call went on
// after that (zero when it had returned before).
std::chrono::milliseconds TimeToStopAfterCancel(std::atomic<bool>& cancelled,
                                                const std::function<void()>& call,
                                                std::chrono::milliseconds delay);

}  // namespace kb::test
