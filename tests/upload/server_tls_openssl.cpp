#include <openssl/ssl.h>

#include <stdexcept>

#include "tests/upload/test_system.h"

namespace kb::test {
namespace {

class OpenSslSession : public TlsSession {
  public:
    explicit OpenSslSession(SSL* ssl) : ssl_(ssl) {}
    ~OpenSslSession() override {
        SSL_shutdown(ssl_);
        SSL_free(ssl_);
    }
    OpenSslSession(const OpenSslSession&) = delete;
    OpenSslSession& operator=(const OpenSslSession&) = delete;

    std::ptrdiff_t Read(char* data, std::size_t size) override {
        return SSL_read(ssl_, data, static_cast<int>(size));
    }
    std::ptrdiff_t Write(const char* data, std::size_t size) override {
        return SSL_write(ssl_, data, static_cast<int>(size));
    }

  private:
    SSL* ssl_;
};

class OpenSslServer : public ServerTls {
  public:
    OpenSslServer(const std::string& certificate, const std::string& key)
        : context_(SSL_CTX_new(TLS_server_method())) {
        if (context_ == nullptr ||
            SSL_CTX_use_certificate_chain_file(context_, certificate.c_str()) != 1 ||
            SSL_CTX_use_PrivateKey_file(context_, key.c_str(), SSL_FILETYPE_PEM) != 1)
            throw std::runtime_error("cannot use the certificate " + certificate);
    }
    ~OpenSslServer() override { SSL_CTX_free(context_); }
    OpenSslServer(const OpenSslServer&) = delete;
    OpenSslServer& operator=(const OpenSslServer&) = delete;

    std::unique_ptr<TlsSession> Accept(Socket socket) const override {
        SSL* ssl = SSL_new(context_);
        if (ssl == nullptr)
            return nullptr;
        if (SSL_set_fd(ssl, static_cast<int>(socket)) != 1 || SSL_accept(ssl) != 1) {
            SSL_free(ssl);
            return nullptr;
        }
        return std::make_unique<OpenSslSession>(ssl);
    }

  private:
    SSL_CTX* context_;
};

}  // namespace

std::shared_ptr<ServerTls> MakeServerTls(const std::string& certificate, const std::string& key) {
    return std::make_shared<OpenSslServer>(certificate, key);
}

bool TestServersSpeakTls() {
    return true;
}

}  // namespace kb::test
