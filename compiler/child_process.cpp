#include "compiler/child_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <signal.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <sstream>
#include <thread>

extern char** environ;

namespace compiler {
namespace {

// Both ends of a pipe, closed when it goes.
class Pipe {
  public:
    Pipe() {
        if (::pipe2(fds_, O_CLOEXEC) != 0)
            fds_[0] = fds_[1] = -1;
    }
    ~Pipe() {
        CloseRead();
        CloseWrite();
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    bool Ok() const { return fds_[0] >= 0; }
    int Read() const { return fds_[0]; }
    int Write() const { return fds_[1]; }
    void CloseRead() { Close(fds_[0]); }
    void CloseWrite() { Close(fds_[1]); }

  private:
    static void Close(int& fd) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
    int fds_[2] = {-1, -1};
};

std::vector<std::string> Environment(const std::vector<std::string>& extra) {
    const auto nameOf = [](std::string_view entry) { return entry.substr(0, entry.find('=') + 1); };
    std::vector<std::string> entries;
    for (char** entry = environ; *entry; ++entry) {
        bool replaced = false;
        for (const std::string& added : extra)
            replaced = replaced || nameOf(*entry) == nameOf(added);
        if (!replaced)
            entries.emplace_back(*entry);
    }
    entries.insert(entries.end(), extra.begin(), extra.end());
    return entries;
}

std::vector<char*> Pointers(const std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (const std::string& text : texts)
        pointers.push_back(const_cast<char*>(text.c_str()));
    pointers.push_back(nullptr);
    return pointers;
}

// Writes all of the text; the pipe's buffer takes it before the program starts, so that a
// program that ends without reading cannot stop us.
bool WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        text.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

// An unnamed temporary file for the program's output: a pipe would stay open as long as any
// program it starts in turn (wine's server) lives on.
int OutputFile() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/compil32-out-XXXXXX";
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd >= 0)
        ::unlink(pattern.c_str());
    return fd;
}

std::string ReadAll(int fd) {
    ::lseek(fd, 0, SEEK_SET);
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return text;
        text.append(buffer, static_cast<size_t>(got));
    }
}

// Waits for the program; one that runs past the time limit (seconds, 0 for none) is killed.
int WaitFor(pid_t pid, int timeoutSeconds, bool& timedOut) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(timeoutSeconds);
    int status = 0;
    for (;;) {
        const pid_t ended = ::waitpid(pid, &status, timeoutSeconds > 0 ? WNOHANG : 0);
        if (ended == pid)
            break;
        if (ended < 0 && errno != EINTR)
            return -1;
        if (ended == 0 && Clock::now() >= deadline) {
            timedOut = true;
            ::kill(pid, SIGKILL);
            timeoutSeconds = 0;  // then wait for it without limit
        } else if (ended == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    return WIFEXITED(status) && !timedOut ? WEXITSTATUS(status) : -1;
}

}  // namespace

ChildResult RunChild(const std::vector<std::string>& arguments, const ChildOptions& options) {
    ChildResult result;
    Pipe input;
    if (arguments.empty() || !input.Ok() || options.input.size() > 60000 ||
        !WriteAll(input.Write(), options.input))
        return result;
    const int output = OutputFile();
    if (output < 0)
        return result;
    input.CloseWrite();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input.Read(), 0);
    posix_spawn_file_actions_adddup2(&actions, output, 1);
    posix_spawn_file_actions_adddup2(&actions, output, 2);
    if (!options.workingFolder.empty())
        posix_spawn_file_actions_addchdir_np(&actions, options.workingFolder.c_str());
    const std::vector<std::string> environment = Environment(options.environment);
    std::vector<char*> argv = Pointers(arguments);
    std::vector<char*> envp = Pointers(environment);
    pid_t pid = 0;
    const int error = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    input.CloseRead();
    if (error == 0) {
        result.started = true;
        result.exitCode = WaitFor(pid, options.timeoutSeconds, result.timedOut);
        result.output = ReadAll(output);
    }
    ::close(output);
    return result;
}

bool HasChild(const std::string& program) {
    if (program.find('/') != std::string::npos)
        return ::access(program.c_str(), X_OK) == 0;
    const char* path = std::getenv("PATH");
    std::istringstream folders(path ? path : "");
    for (std::string folder; std::getline(folders, folder, ':');)
        if (!folder.empty() && ::access((folder + "/" + program).c_str(), X_OK) == 0)
            return true;
    return false;
}

}  // namespace compiler
