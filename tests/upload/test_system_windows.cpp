#include <winsock2.h>
#include <ws2tcpip.h>
// After winsock2.h.
#include <windows.h>

#include <stdexcept>

#include "foundation/wide_text_windows.h"
#include "tests/upload/test_system.h"

namespace kb::test {
namespace {

// Winsock, started once for the test process.
void StartSockets() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    if (!started)
        throw std::runtime_error("cannot start Winsock");
}

SOCKET Native(Socket socket) {
    return static_cast<SOCKET>(socket);
}

int Chunk(std::size_t size) {
    return static_cast<int>(std::min<std::size_t>(size, 1 << 30));
}

// One argument as the C runtime splits command lines: quoted when it holds a blank or a quote,
// backslashes doubled before a quote.
std::wstring Quoted(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos)
        return argument;
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(2 * backslashes, L'\\');
    return quoted + L"\"";
}

// The first line that arrives on pipe, waiting at most ten seconds.
std::string ReadFirstLine(HANDLE pipe) {
    const ULONGLONG deadline = GetTickCount64() + 10000;
    std::string line;
    while (line.size() < 100 && GetTickCount64() < deadline) {
        DWORD available = 0;
        if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr))
            break;
        if (available == 0) {
            Sleep(10);
            continue;
        }
        char c;
        DWORD got = 0;
        if (!ReadFile(pipe, &c, 1, &got, nullptr) || got != 1 || c == '\n')
            break;
        if (c != '\r')
            line += c;
    }
    return line;
}

}  // namespace

Socket BindLoopback(int& port, bool listen) {
    StartSockets();
    const SOCKET s = WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0,
                                WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof address;
    if (s == INVALID_SOCKET || bind(s, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        (listen && ::listen(s, 16) != 0) ||
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        const int error = WSAGetLastError();
        if (s != INVALID_SOCKET)
            closesocket(s);
        throw std::runtime_error("cannot listen on the loopback: Winsock error " +
                                 std::to_string(error));
    }
    port = ntohs(address.sin_port);
    return static_cast<Socket>(s);
}

Socket AcceptClient(Socket listener) {
    const SOCKET client = accept(Native(listener), nullptr, nullptr);
    return client == INVALID_SOCKET ? kNoSocket : static_cast<Socket>(client);
}

std::ptrdiff_t ReceiveSome(Socket socket, char* data, std::size_t size) {
    return recv(Native(socket), data, Chunk(size), 0);
}

std::ptrdiff_t SendSome(Socket socket, const char* data, std::size_t size) {
    return send(Native(socket), data, Chunk(size), 0);
}

void CloseSocket(Socket socket) {
    closesocket(Native(socket));
}

ChildServer::ChildServer(const std::vector<std::string>& arguments) {
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    HANDLE read = nullptr;
    HANDLE write = nullptr;
    if (!CreatePipe(&read, &write, &inheritable, 0))
        throw std::runtime_error("pipe failed");
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    std::wstring commandLine;
    for (const auto& a : arguments)
        commandLine += (commandLine.empty() ? L"" : L" ") + Quoted(Wide(a));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = write;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    const std::wstring program = Wide(arguments.front());
    const bool started = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                        CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process);
    CloseHandle(write);
    if (!started) {
        CloseHandle(read);
        throw std::runtime_error("cannot start " + arguments.front());
    }
    CloseHandle(process.hThread);
    process_ = reinterpret_cast<std::intptr_t>(process.hProcess);
    firstLine_ = ReadFirstLine(read);
    CloseHandle(read);
}

ChildServer::~ChildServer() {
    const auto process = reinterpret_cast<HANDLE>(process_);
    TerminateProcess(process, 1);
    WaitForSingleObject(process, INFINITE);
    CloseHandle(process);
}

}  // namespace kb::test
