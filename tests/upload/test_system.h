#pragma once
// What the upload's test servers need from the operating system: loopback TCP sockets, TLS on
// them (where the build has it), and child processes whose first output line is read.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kb::test {

// A socket: a file descriptor on POSIX, a SOCKET on Windows.
using Socket = std::intptr_t;
inline constexpr Socket kNoSocket = -1;

// A TCP socket bound to 127.0.0.1 on a port the system chooses, listening when listen is set.
// Sets port; throws when that fails.
Socket BindLoopback(int& port, bool listen);
// The next connection on listener; kNoSocket on failure.
Socket AcceptClient(Socket listener);
// Bytes moved, 0 when the peer closed, < 0 on an error. Sending never raises SIGPIPE.
std::ptrdiff_t ReceiveSome(Socket socket, char* data, std::size_t size);
std::ptrdiff_t SendSome(Socket socket, const char* data, std::size_t size);
void CloseSocket(Socket socket);

// One client's TLS session, its handshake made.
class TlsSession {
  public:
    virtual ~TlsSession() = default;
    // Bytes moved; 0 or less when the session ended or failed.
    virtual std::ptrdiff_t Read(char* data, std::size_t size) = 0;
    virtual std::ptrdiff_t Write(const char* data, std::size_t size) = 0;
};

// A server's TLS settings.
class ServerTls {
  public:
    virtual ~ServerTls() = default;
    // Makes the server's handshake on socket; null when it failed.
    virtual std::unique_ptr<TlsSession> Accept(Socket socket) const = 0;
};

// TLS with a certificate chain and its key (PEM files). Throws when the files cannot be used or
// the build has no TLS for test servers.
std::shared_ptr<ServerTls> MakeServerTls(const std::string& certificate, const std::string& key);
// Whether MakeServerTls can work in this build: the TLS tests are skipped where it cannot,
// saying why.
bool TestServersSpeakTls();
inline constexpr const char* kNoTlsServers = "the test servers of this build speak no TLS";

// One client's byte stream: the plain socket, or TLS over it. Owns and closes the socket.
class ServerStream {
  public:
    ServerStream(Socket socket, const std::shared_ptr<ServerTls>& tls);
    ~ServerStream();
    ServerStream(const ServerStream&) = delete;
    ServerStream& operator=(const ServerStream&) = delete;

    bool ReadAll(char* data, std::size_t size);
    // Whatever has come, at most size bytes; 0 when the stream ended or failed.
    std::size_t ReadSome(char* data, std::size_t size);
    bool WriteAll(const std::string& data);

  private:
    Socket socket_;
    std::unique_ptr<TlsSession> session_;
    bool failed_ = false;
};

// A running child process; killed and waited for when destroyed.
class ChildServer {
  public:
    // Starts arguments (the program first) and reads the first line it writes to its standard
    // output, waiting at most ten seconds; throws when it cannot be started.
    explicit ChildServer(const std::vector<std::string>& arguments);
    ~ChildServer();
    ChildServer(const ChildServer&) = delete;
    ChildServer& operator=(const ChildServer&) = delete;
    const std::string& FirstLine() const { return firstLine_; }

  private:
    std::intptr_t process_ = -1;
    std::string firstLine_;
};

}  // namespace kb::test
