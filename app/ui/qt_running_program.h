#pragma once
// A program started without waiting, watched through QProcess on the user-interface thread. It
// runs in a process group of its own, so that stopping it also stops the programs it started
// (the installer compiler runs makensis).
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
    explicit QtRunningProgram(ProgramWatch watch);
    void KillGroup();

    ProgramWatch watch_;
    std::unique_ptr<QProcess> process_;
};

}  // namespace kb
