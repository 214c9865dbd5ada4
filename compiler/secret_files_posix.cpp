// Terminal echo through termios; private files checked by owner and mode on the open file.
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <utility>

#include "compiler/diagnostics.h"
#include "compiler/secret_files.h"

namespace compiler {
namespace {

// The terminal's settings while echo is off, put back by the destructor, or by a signal that
// ends the program before (Ctrl+C at the prompt), so that the shell is not left without echo.
termios savedTerminal{};
volatile std::sig_atomic_t echoIsOff = 0;

extern "C" void RestoreAndRaise(int signal) {
    if (echoIsOff)
        ::tcsetattr(STDIN_FILENO, TCSANOW, &savedTerminal);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

class EchoOff {
  public:
    EchoOff() {
        if (::tcgetattr(STDIN_FILENO, &savedTerminal) != 0)
            return;
        termios quiet = savedTerminal;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK);
        quiet.c_lflag |= ECHONL;  // Enter still moves to the next line
        for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGTSTP})
            previous_[count_++] = {signal, std::signal(signal, RestoreAndRaise)};
        echoIsOff = ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
    }
    ~EchoOff() {
        if (echoIsOff)
            ::tcsetattr(STDIN_FILENO, TCSANOW, &savedTerminal);
        echoIsOff = 0;
        for (int i = 0; i < count_; ++i)
            std::signal(previous_[i].first, previous_[i].second);
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

  private:
    std::pair<int, void (*)(int)> previous_[5];
    int count_ = 0;
};

std::string ModeText(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

std::string Quoted(const std::string& path) {
    return "\"" + path + "\"";
}

void CheckPrivate(const std::string& path, const struct stat& status, std::string_view mend) {
    const std::string remedy = "remove it and " + std::string(mend);
    if (!S_ISREG(status.st_mode))
        throw CompileError(path + ": the key file is no regular file; " + remedy);
    if (status.st_uid != ::geteuid())
        throw CompileError(path + ": the key file belongs to another user (user id " +
                           std::to_string(status.st_uid) +
                           "), who may know the secrets sealed with it; " + remedy);
    if ((status.st_mode & 077) != 0)
        throw CompileError(path + ": other users may read or change the key file (mode " +
                           ModeText(status.st_mode) + "); make it private with chmod 600 " +
                           Quoted(path) + ", and if others may have read it, " + remedy);
}

}  // namespace

bool ReadSecretLine(std::string_view prompt, std::string& line) {
    if (!::isatty(STDIN_FILENO))
        return static_cast<bool>(std::getline(std::cin, line));
    // Echo goes off before the prompt shows, so that nothing typed after it is shown.
    const EchoOff quiet;
    std::cerr << prompt << std::flush;
    return static_cast<bool>(std::getline(std::cin, line));
}

std::string ReadPrivateFile(const std::string& path, size_t maxBytes, std::string_view mend) {
    // O_NONBLOCK: a named pipe in its place must not stall the open.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        throw CompileError(path + ": cannot open the key file: " + std::strerror(errno));
    struct stat status {};
    std::string bytes(maxBytes, '\0');
    ssize_t got = -1;
    if (::fstat(fd, &status) == 0) {
        try {
            CheckPrivate(path, status, mend);
        } catch (...) {
            ::close(fd);
            throw;
        }
        do
            got = ::read(fd, bytes.data(), bytes.size());
        while (got < 0 && errno == EINTR);
    }
    const int error = errno;
    ::close(fd);
    if (got < 0)
        throw CompileError(path + ": cannot read the key file: " + std::strerror(error));
    bytes.resize(static_cast<size_t>(got));
    return bytes;
}

bool CreatePrivateFile(const std::string& path, std::string_view bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0 && errno == EEXIST)
        return false;
    if (fd < 0)
        throw CompileError(path + ": cannot make the file: " + std::strerror(errno));
    const bool written =
        ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    const bool closed = ::close(fd) == 0;
    if (!written || !closed) {
        ::unlink(path.c_str());
        throw CompileError(path + ": cannot write the file");
    }
    return true;
}

}  // namespace compiler
