// The Windows group of a QtRunningProgram: a job object, which the programs it starts join as
// well, terminated as a whole and ending what is left in it when the group goes.
#include <windows.h>

#include <tlhelp32.h>

#include <QProcess>

#include "foundation/process_windows.h"

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

namespace {

// Lets the threads of a process started suspended run.
void ResumeProcess(DWORD pid) {
    const win::Handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    if (!snapshot.Valid() || !Thread32First(snapshot.Get(), &entry))
        return;
    do {
        if (entry.th32OwnerProcessID != pid)
            continue;
        const win::Handle thread(OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID));
        if (thread.Valid())
            ResumeThread(thread.Get());
    } while (Thread32Next(snapshot.Get(), &entry));
}

}  // namespace

// The program starts suspended, so that it is in the job before it can start anything.
void QtRunningProgram::PrepareGroup() {
    group_.reset(new Group{win::KillOnCloseJob().Release()});
    process_->setCreateProcessArgumentsModifier(
        [](QProcess::CreateProcessArguments* arguments) { arguments->flags |= CREATE_SUSPENDED; });
}

void QtRunningProgram::JoinGroup() {
    const auto pid = static_cast<DWORD>(process_->processId());
    if (group_->job != nullptr) {
        const win::Handle process(OpenProcess(PROCESS_SET_QUOTA | PROCESS_TERMINATE, FALSE, pid));
        if (process.Valid())
            AssignProcessToJobObject(group_->job, process.Get());
    }
    ResumeProcess(pid);
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
