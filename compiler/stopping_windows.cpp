// The Windows side of stopping: a console control handler (Ctrl+C, Ctrl+Break, the console
// closed) runs on a thread of its own, so it may do the cleaning up itself. A program killed
// through its job object gets no such chance; the next run removes what it left.
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <vector>

#include "compiler/stopping.h"

namespace compiler {
namespace {

std::mutex registeredMutex;
std::vector<std::string> registered;
std::vector<const std::function<void()>*> actions;
volatile LONG stopRequested = 0;

BOOL WINAPI OnConsoleControl(DWORD) {
    InterlockedExchange(&stopRequested, 1);
    {
        const std::lock_guard lock(registeredMutex);
        for (auto action = actions.rbegin(); action != actions.rend(); ++action)
            (**action)();
        for (auto path = registered.rbegin(); path != registered.rend(); ++path) {
            std::error_code ignored;
            std::filesystem::remove_all(std::filesystem::u8path(*path), ignored);
        }
    }
    ExitProcess(STATUS_CONTROL_C_EXIT);
    return TRUE;
}

}  // namespace

void StopCleanlyOnSignals() {
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

void EndIfStopped() {
    while (InterlockedCompareExchange(&stopRequested, 0, 0) != 0)
        Sleep(1000);
}

RemovedOnStop::RemovedOnStop(std::string path) : path_(std::move(path)) {
    const std::lock_guard lock(registeredMutex);
    registered.push_back(path_);
}

RemovedOnStop::~RemovedOnStop() {
    const std::lock_guard lock(registeredMutex);
    for (auto at = registered.rbegin(); at != registered.rend(); ++at)
        if (*at == path_) {
            registered.erase(std::next(at).base());
            return;
        }
}

RunOnStop::RunOnStop(std::function<void()> action) : action_(std::move(action)) {
    const std::lock_guard lock(registeredMutex);
    actions.push_back(&action_);
}

RunOnStop::~RunOnStop() {
    const std::lock_guard lock(registeredMutex);
    actions.erase(std::find(actions.begin(), actions.end(), &action_));
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
