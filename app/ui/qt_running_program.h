#pragma once
// A program started without waiting, watched through QProcess on the user-interface thread. It
// runs in a group of its own (a process group on POSIX, a job object on Windows), so that
// stopping it also stops the programs it started (the installer compiler runs makensis). Stop
// first asks the group to end, so that the programs can remove what they made (the compiler's
// staging folder); the group is killed when it has not ended after a grace of a few seconds.
#include <memory>
#include <string>
#include <vector>

#include "app/logic/user_interface.h"

class QProcess;

namespace kb {

class QtRunningProgram : public RunningProgram {
  public:
    // Nothing when the program cannot be found or started.
    static std::unique_ptr<QtRunningProgram> Start(const std::string& program,
                                                   const std::vector<std::string>& arguments,
                                                   const std::string& workingFolder,
                                                   ProgramWatch watch);
    ~QtRunningProgram() override;
    void Stop() override;

  private:
    // The system's side of the group, in qt_running_program_posix.cpp / _windows.cpp.
    struct Group;
    struct GroupDeleter {
        void operator()(Group* group) const;
    };
    explicit QtRunningProgram(ProgramWatch watch);
    // Before the start: makes the group and sets the process up to start in it.
    void PrepareGroup();
    // After the start: puts the process into the group where that can only be done then.
    void JoinGroup();
    // Asks the group to end (SIGTERM on POSIX); false where that cannot be asked (Windows).
    bool AskGroupToStop();
    void KillGroup();

    ProgramWatch watch_;
    std::unique_ptr<QProcess> process_;
    std::unique_ptr<Group, GroupDeleter> group_;
};

}  // namespace kb
