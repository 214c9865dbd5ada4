// The POSIX desktop services behind platform.cpp: the documents folder, the executable,
// starting programs and opening documents.
#include <fcntl.h>
#include <sched.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QStandardPaths>
#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <thread>

#include "foundation/platform.h"
#include "foundation/system_calls.h"

extern char** environ;

namespace kb {

namespace {

bool IsExecutableFile(const std::string& path) {
    struct stat state {};
    return ::stat(path.c_str(), &state) == 0 && S_ISREG(state.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

std::vector<char*> ArgumentVector(const std::string& program,
                                  const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    return argv;
}

// Spawn actions: standard input from /dev/null, the working folder, and (when outputFd is
// given) standard output and error into it.
class SpawnActions {
  public:
    SpawnActions(const std::string& workingFolder, int outputFd, int closeFd) {
        posix_spawn_file_actions_init(&actions_);
        posix_spawn_file_actions_addopen(&actions_, 0, "/dev/null", O_RDONLY, 0);
        if (outputFd >= 0) {
            posix_spawn_file_actions_adddup2(&actions_, outputFd, 1);
            posix_spawn_file_actions_adddup2(&actions_, outputFd, 2);
            posix_spawn_file_actions_addclose(&actions_, closeFd);
        }
        if (!workingFolder.empty()) {
            posix_spawn_file_actions_addchdir_np(&actions_, workingFolder.c_str());
        }
    }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&actions_); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
    const posix_spawn_file_actions_t* Get() const { return &actions_; }

  private:
    posix_spawn_file_actions_t actions_;
};

int WaitFor(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ReadAll(int fd, const std::function<void(std::string_view)>& onOutput) {
    std::string out;
    char buffer[4096];
    for (;;) {
        ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return out;
        out.append(buffer, static_cast<size_t>(got));
        if (onOutput)
            onOutput(std::string_view(buffer, static_cast<size_t>(got)));
    }
}

}  // namespace

namespace os {

bool RunsAtBackgroundPriority() {
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
    return sched_getscheduler(0) == SCHED_OTHER && errno == 0 && nice == 19;
}

std::string SystemDocumentsFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation).toStdString();
}

std::filesystem::path ExecutablePath() {
    std::error_code ec;
    return std::filesystem::read_symlink("/proc/self/exe", ec);
}

}  // namespace os

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    return std::vector<std::string>(argv + std::min(argc, 1), argv + argc);
}

bool StandardErrorIsTerminal() {
    return ::isatty(STDERR_FILENO) == 1;
}

void UseUtf8Console() {}

std::string FindProgram(const std::string& program) {
    if (program.empty())
        return {};
    if (program.find('/') != std::string::npos) {
        return IsExecutableFile(program) ? program : std::string();
    }
    std::string helper = OwnProgramFiles().helpers + "/" + program;
    if (IsExecutableFile(helper))
        return helper;
    const char* path = std::getenv("PATH");
    std::string_view folders = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
    while (!folders.empty()) {
        size_t colon = folders.find(':');
        std::string_view folder = folders.substr(0, colon);
        folders = colon == std::string_view::npos ? std::string_view() : folders.substr(colon + 1);
        std::string candidate = std::string(folder.empty() ? "." : folder) + "/" + program;
        if (IsExecutableFile(candidate))
            return candidate;
    }
    return {};
}

bool OpenWithDefaultHandler(const std::string& path) {
    return StartProgram("xdg-open", {path}, "", false).started;
}

// Without wait, a detached thread reaps the program when it ends, so that no zombie stays.
ProgramResult StartProgram(const std::string& program, const std::vector<std::string>& arguments,
                           const std::string& workingFolder, bool wait,
                           const std::function<void(std::string_view)>& onOutput) {
    ProgramResult result;
    std::string resolved = FindProgram(program);
    if (resolved.empty())
        return result;
    std::vector<char*> argv = ArgumentVector(resolved, arguments);
    int pipeFds[2] = {-1, -1};
    if (wait && ::pipe2(pipeFds, O_CLOEXEC) != 0)
        return result;
    pid_t pid = 0;
    int error = 0;
    {
        SpawnActions actions(workingFolder, wait ? pipeFds[1] : -1, pipeFds[0]);
        error = ::posix_spawn(&pid, resolved.c_str(), actions.Get(), nullptr, argv.data(), environ);
    }
    if (wait)
        ::close(pipeFds[1]);
    if (error != 0) {
        if (wait)
            ::close(pipeFds[0]);
        return result;
    }
    result.started = true;
    if (!wait) {
        std::thread([pid] { WaitFor(pid); }).detach();
        return result;
    }
    result.output = ReadAll(pipeFds[0], onOutput);
    ::close(pipeFds[0]);
    result.exitCode = WaitFor(pid);
    return result;
}

}  // namespace kb
