#include <winsock2.h>
#include <ws2tcpip.h>

#include "foundation/wide_text_windows.h"
#include "upload/mongo_db.h"

namespace kb {
namespace {

// Winsock, started for as long as the object lives (version 2.2).
class SocketLibrary {
  public:
    SocketLibrary() {
        WSADATA data;
        started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }
    ~SocketLibrary() {
        if (started_)
            WSACleanup();
    }
    SocketLibrary(const SocketLibrary&) = delete;
    SocketLibrary& operator=(const SocketLibrary&) = delete;
    bool Started() const { return started_; }

  private:
    bool started_ = false;
};

}  // namespace

std::string ResolveIpv4(const std::string& host) {
    const SocketLibrary sockets;
    if (host.empty() || !sockets.Started())
        return {};
    std::wstring name;
    try {
        name = Wide(host);
    } catch (const std::exception&) {
        return {};
    }
    ADDRINFOW hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    ADDRINFOW* found = nullptr;
    if (GetAddrInfoW(name.c_str(), nullptr, &hints, &found) != 0)
        return {};
    char text[INET_ADDRSTRLEN] = {};
    auto* address = reinterpret_cast<sockaddr_in*>(found->ai_addr);
    const bool converted = inet_ntop(AF_INET, &address->sin_addr, text, sizeof text) != nullptr;
    FreeAddrInfoW(found);
    return converted ? text : "";
}

}  // namespace kb
