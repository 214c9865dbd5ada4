// The Windows group of a QtRunningProgram: a job object, which the programs it starts join as
// well, terminated as a whole.
#include <windows.h>

#include <QProcess>

#include "app/ui/qt_running_program.h"

namespace kb {

struct QtRunningProgram::Group {
    HANDLE job = nullptr;
};

void QtRunningProgram::GroupDeleter::operator()(Group* group) const {
    if (group->job != nullptr)
        CloseHandle(group->job);
    delete group;
}

void QtRunningProgram::PrepareGroup() {
    group_.reset(new Group{CreateJobObjectW(nullptr, nullptr)});
}

// The program joins as soon as it runs; what it starts from then on belongs to the job too.
void QtRunningProgram::JoinGroup() {
    if (group_->job == nullptr)
        return;
    const auto pid = static_cast<DWORD>(process_->processId());
    HANDLE process = OpenProcess(PROCESS_SET_QUOTA | PROCESS_TERMINATE, FALSE, pid);
    if (process == nullptr)
        return;
    AssignProcessToJobObject(group_->job, process);
    CloseHandle(process);
}

// A console-less program has no way to be asked: Stop kills the job at once.
bool QtRunningProgram::AskGroupToStop() {
    return false;
}

// The exit code that QProcess::kill gives on Windows, by which QProcess tells a stopped program
// (CrashExit) from one that ended with an exit code of its own.
constexpr UINT kKilledExitCode = 0xf291;

// QProcess kills the program itself first, so that it reports the end as a stop; the job then
// ends what the program started, with the same code.
void QtRunningProgram::KillGroup() {
    process_->kill();
    if (group_->job != nullptr)
        TerminateJobObject(group_->job, kKilledExitCode);
}

}  // namespace kb
