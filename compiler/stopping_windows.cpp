// The Windows side of stopping: a console control handler (Ctrl+C, Ctrl+Break, the console
// closed) runs on a thread of its own, so it may do the cleaning up itself. A program killed
// through its job object gets no such chance; the next run removes what it left.
#include <windows.h>

#include "compiler/stopping.h"
#include "compiler/stopping_platform.h"

namespace compiler {
namespace {

BOOL WINAPI OnConsoleControl(DWORD) {
    MarkStopRequested();
    CleanUpForStop();
    ExitProcess(STATUS_CONTROL_C_EXIT);
    return TRUE;
}

}  // namespace

void StopCleanlyOnSignals() {
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

int ProcessId() {
    return static_cast<int>(GetCurrentProcessId());
}

bool ProcessRunning(int pid) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    if (process == nullptr)
        return GetLastError() == ERROR_ACCESS_DENIED;
    DWORD code = 0;
    const bool running = GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
    CloseHandle(process);
    return running;
}

}  // namespace compiler
