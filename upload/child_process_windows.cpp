#include <windows.h>

#include <algorithm>
#include <atomic>
#include <string>

#include "foundation/process_windows.h"
#include "foundation/wide_text_windows.h"
#include "upload/child_process.h"

namespace kb {
namespace {

using win::Handle;

// A name no other pipe of this machine has: process, a counter and the time.
std::wstring UniquePipeName() {
    static std::atomic<unsigned> counter{0};
    return L"\\\\.\\pipe\\kitbinder-store-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(counter++) + L"-" + std::to_wstring(GetTickCount64());
}

// The two ends of a new local pipe, neither inheritable: the parent's overlapped, the child's
// plain (the child gets a copy of it).
bool OpenPipe(Handle& parent, Handle& child) {
    const std::wstring name = UniquePipeName();
    constexpr DWORD kBuffer = 64 * 1024;
    parent.Reset(CreateNamedPipeW(
        name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, kBuffer,
        kBuffer, 0, nullptr));
    if (parent.Get() == nullptr)
        return false;
    child.Reset(CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            0, nullptr));
    return child.Get() != nullptr;
}

}  // namespace

// The helper runs in a job of its own, so that what it may start ends with it.
std::optional<ChildProcess> StartChild(const std::string& path) {
    Handle parent;
    Handle child;
    if (!OpenPipe(parent, child))
        return std::nullopt;
    win::ChildStart start;
    try {
        start.application = WidePath(path);
        // A path holds no quotes, so quoting it whole makes it one argument.
        start.commandLine = L"\"" + Wide(path) + L"\"";
    } catch (const std::exception&) {
        return std::nullopt;
    }
    start.input = child.Get();
    start.output = child.Get();
    start.error = GetStdHandle(STD_ERROR_HANDLE);
    start.flags = CREATE_NO_WINDOW;
    start.inJob = true;
    win::StartedChild started;
    if (!win::StartChildProcess(start, started))
        return std::nullopt;
    return ChildProcess{reinterpret_cast<std::intptr_t>(started.process.Release()),
                        reinterpret_cast<StreamHandle>(parent.Release()),
                        reinterpret_cast<std::intptr_t>(started.job.Release())};
}

// The process handle stays open until EndChild, so it still names this child.
void KillChild(const ChildProcess& child) {
    TerminateProcess(reinterpret_cast<HANDLE>(child.process), 1);
    if (child.job != 0)
        TerminateJobObject(reinterpret_cast<HANDLE>(child.job), 1);
}

void EndChild(const ChildProcess& child, std::chrono::milliseconds patience) {
    CloseHandle(reinterpret_cast<HANDLE>(child.stream));
    const auto process = reinterpret_cast<HANDLE>(child.process);
    const auto wait = static_cast<DWORD>(std::max<std::int64_t>(patience.count(), 0));
    if (WaitForSingleObject(process, wait) != WAIT_OBJECT_0) {
        TerminateProcess(process, 1);
        WaitForSingleObject(process, INFINITE);
    }
    CloseHandle(process);
    if (child.job != 0)
        CloseHandle(reinterpret_cast<HANDLE>(child.job));  // ends what the helper left running
}

}  // namespace kb
