#pragma once
// A small document database server for the tests: enough of the MongoDB wire protocol for the
// C driver to connect, authenticate with SCRAM-SHA-1 or SCRAM-SHA-256, insert and find.
// Documents are kept in memory. Every connection is served by a thread of its own.
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "tests/upload/test_system.h"

namespace kb::test {

struct WireServerOptions {
    // user name -> password. With no users, nothing asks for authentication.
    std::map<std::string, std::string> users;
    // The mechanisms offered to a client, most preferred last as the driver picks SHA-256 first.
    std::vector<std::string> mechanisms{"SCRAM-SHA-1", "SCRAM-SHA-256"};
    std::int32_t maxBsonObjectSize = 16 * 1024 * 1024;
    // The command ("hello", "saslStart", "insert") answered with a malformed 20-byte reply
    // instead: an OP_MSG header and its flags, without any section. Empty: none.
    std::string hostileAt;
    // With a certificate chain and its key (PEM files), every connection speaks TLS.
    std::string tlsCertificate;
    std::string tlsKey;
};

class WireServer {
  public:
    explicit WireServer(WireServerOptions options);
    ~WireServer();
    WireServer(const WireServer&) = delete;
    WireServer& operator=(const WireServer&) = delete;

    // The port it listens on (127.0.0.1, chosen by the system).
    int Port() const { return port_; }
    // Accepts and serves connections until the process ends.
    [[noreturn]] void Run();

  private:
    WireServerOptions options_;
    int port_ = 0;
    Socket listener_ = kNoSocket;
    std::shared_ptr<ServerTls> tls_;
    std::mutex storeMutex_;
    // namespace ("db.collection") -> documents (raw BSON) in insertion order.
    std::map<std::string, std::vector<std::string>> store_;
    friend class Connection;
};

}  // namespace kb::test
