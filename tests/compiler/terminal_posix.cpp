#include <poll.h>
#include <pty.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "tests/compiler/terminal.h"

namespace compiler::test {
namespace {

// What the terminal shows within the time; false at its end (the program closed it).
bool ReadSome(int master, std::string& shown, int milliseconds) {
    pollfd ready{master, POLLIN, 0};
    if (::poll(&ready, 1, milliseconds) <= 0)
        return true;
    char buffer[512];
    const ssize_t got = ::read(master, buffer, sizeof buffer);
    if (got <= 0)
        return false;  // EIO once the program's side is closed
    shown.append(buffer, static_cast<size_t>(got));
    return true;
}

}  // namespace

TerminalRun RunOnTerminal(const std::vector<std::string>& arguments,
                          const std::vector<std::string>& environment, const std::string& prompt,
                          const std::string& typed) {
    TerminalRun run;
    int master = -1;
    const pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
    if (pid < 0)
        return run;
    if (pid == 0) {
        for (const std::string& entry : environment)
            ::putenv(const_cast<char*>(entry.c_str()));
        std::vector<char*> argv;
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    using Clock = std::chrono::steady_clock;
    const Clock::time_point prompted = Clock::now() + std::chrono::seconds(10);
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(60);
    bool open = true;
    while (open && run.shown.find(prompt) == std::string::npos && Clock::now() < prompted)
        open = ReadSome(master, run.shown, 100);
    if (open && ::write(master, typed.data(), typed.size()) < 0)
        open = false;
    while (open && Clock::now() < deadline)
        open = ReadSome(master, run.shown, 100);
    ::close(master);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

}  // namespace compiler::test
