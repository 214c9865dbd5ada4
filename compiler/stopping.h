#pragma once
// How the compiler ends when it is asked to stop (SIGTERM, SIGINT, SIGHUP): it stops the programs
// it started, removes the temporary folders and part-written outputs it made, and ends as the
// signal would have ended it. The names of what it makes carry its process id, so that a later
// run can remove what a killed one (SIGKILL leaves no way out) left behind.
#include <functional>
#include <string>
#include <string_view>

namespace compiler {

// Installs the handling; once, at the start of the program.
void StopCleanlyOnSignals();

// Called at the end of the program: when a stop was asked for, waits for the stop to end the
// program, so that it ends as stopped and only after its cleaning up.
void EndIfStopped();

// While it lives, path (a file or a folder) is removed when the compiler is stopped.
class RemovedOnStop {
  public:
    explicit RemovedOnStop(std::string path);
    ~RemovedOnStop();
    RemovedOnStop(const RemovedOnStop&) = delete;
    RemovedOnStop& operator=(const RemovedOnStop&) = delete;

  private:
    std::string path_;
};

// While it lives, action runs when the compiler is stopped, before the paths are removed (or
// when it goes while a stop is under way): for helpers that live on outside the compiler's
// process group (wine's server).
class RunOnStop {
  public:
    explicit RunOnStop(std::function<void()> action);
    ~RunOnStop();
    RunOnStop(const RunOnStop&) = delete;
    RunOnStop& operator=(const RunOnStop&) = delete;

  private:
    std::function<void()> action_;
};

int ProcessId();
// Whether a process with this id runs (or may run: one of another user counts as running).
bool ProcessRunning(int pid);

// The process id an entry name carries after prefix, as "<prefix><pid>" followed by '-', '.'
// or nothing; 0 when it carries none.
int OwnerOf(std::string_view name, std::string_view prefix);

// Removes the entries of folder whose names carry, after prefix, the id of a process that is
// gone. Entries it cannot remove are left.
void RemoveLeftovers(const std::string& folder, std::string_view prefix);

}  // namespace compiler
