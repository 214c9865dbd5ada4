#pragma once
// Starting programs on Windows: a handle that closes itself, and a child that runs in a job
// object of its own and inherits only the standard handles it is given.
#include <windows.h>

#include <string>

namespace kb::win {

class Handle {
  public:
    explicit Handle(HANDLE handle = nullptr) { Reset(handle); }
    ~Handle() { Reset(nullptr); }
    Handle(Handle&& other) noexcept : handle_(other.Release()) {}
    Handle& operator=(Handle&& other) noexcept {
        Reset(other.Release());
        return *this;
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    // Takes handle (INVALID_HANDLE_VALUE counts as none), closing the one held before.
    void Reset(HANDLE handle);
    bool Valid() const { return handle_ != nullptr; }
    HANDLE Get() const { return handle_; }
    HANDLE Release();

  private:
    HANDLE handle_ = nullptr;
};

// The NUL device, not inheritable; none when it cannot be opened.
Handle OpenNul();

// A job that kills every process in it when its last handle closes; none when the system
// refuses one.
Handle KillOnCloseJob();

struct ChildStart {
    std::wstring application;    // the program's path
    std::wstring commandLine;    // the whole command line, the program's name first
    std::wstring workingFolder;  // "" keeps the caller's; never with the "\\?\" prefix
    // The standard handles, none inheritable: the child gets inheritable copies of these and of
    // nothing else. All none: the child gets no handles. An error handle that cannot be copied (a
    // window program's) leaves the child without one.
    HANDLE input = nullptr;
    HANDLE output = nullptr;
    HANDLE error = nullptr;
    DWORD flags = 0;     // further creation flags (CREATE_NO_WINDOW)
    bool inJob = false;  // the child and all it starts end when StartedChild::job closes
};

struct StartedChild {
    Handle process;
    Handle job;  // none without ChildStart::inJob, or when the system refused the job
};

// Starts the child suspended, puts it into its job before it runs a single instruction (so that
// whatever it starts belongs to the job too), then lets it run. False when it could not start.
bool StartChildProcess(const ChildStart& start, StartedChild& started);

}  // namespace kb::win
