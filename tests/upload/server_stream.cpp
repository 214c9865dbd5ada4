#include "tests/upload/test_system.h"

namespace kb::test {

ServerStream::ServerStream(Socket socket, const std::shared_ptr<ServerTls>& tls) : socket_(socket) {
    if (tls == nullptr)
        return;
    session_ = tls->Accept(socket);
    failed_ = session_ == nullptr;
}

ServerStream::~ServerStream() {
    session_.reset();
    CloseSocket(socket_);
}

std::size_t ServerStream::ReadSome(char* data, std::size_t size) {
    if (failed_)
        return 0;
    const std::ptrdiff_t n =
        session_ != nullptr ? session_->Read(data, size) : ReceiveSome(socket_, data, size);
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

bool ServerStream::ReadAll(char* data, std::size_t size) {
    while (size > 0) {
        const std::size_t n = ReadSome(data, size);
        if (n == 0)
            return false;
        data += n;
        size -= n;
    }
    return true;
}

bool ServerStream::WriteAll(const std::string& data) {
    std::size_t done = 0;
    while (done < data.size() && !failed_) {
        const char* from = data.data() + done;
        const std::size_t size = data.size() - done;
        const std::ptrdiff_t n =
            session_ != nullptr ? session_->Write(from, size) : SendSome(socket_, from, size);
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return !failed_;
}

}  // namespace kb::test
