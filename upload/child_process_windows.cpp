#include <windows.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <utility>
#include <vector>

#include "foundation/wide_text_windows.h"
#include "upload/child_process.h"

namespace kb {
namespace {

class Handle {
  public:
    explicit Handle(HANDLE handle = nullptr) { Reset(handle); }
    ~Handle() { Reset(nullptr); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    // Takes handle (INVALID_HANDLE_VALUE counts as none), closing the one held before.
    void Reset(HANDLE handle) {
        if (handle_ != nullptr)
            CloseHandle(handle_);
        handle_ = handle == INVALID_HANDLE_VALUE ? nullptr : handle;
    }
    HANDLE Get() const { return handle_; }
    HANDLE Release() { return std::exchange(handle_, nullptr); }

  private:
    HANDLE handle_ = nullptr;
};

// A name no other pipe of this machine has: process, a counter and the time.
std::wstring UniquePipeName() {
    static std::atomic<unsigned> counter{0};
    return L"\\\\.\\pipe\\kitbinder-store-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(counter++) + L"-" + std::to_wstring(GetTickCount64());
}

// The two ends of a new local pipe: the parent's overlapped and not inherited, the child's
// plain and inheritable.
bool OpenPipe(Handle& parent, Handle& child) {
    const std::wstring name = UniquePipeName();
    constexpr DWORD kBuffer = 64 * 1024;
    parent.Reset(CreateNamedPipeW(
        name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, kBuffer,
        kBuffer, 0, nullptr));
    if (parent.Get() == nullptr)
        return false;
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    child.Reset(CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, &inheritable,
                            OPEN_EXISTING, 0, nullptr));
    return child.Get() != nullptr;
}

// Only the handles named are inherited, so that children started at the same time on other
// threads do not keep this child's pipe open.
class InheritedHandles {
  public:
    explicit InheritedHandles(std::vector<HANDLE> handles) : handles_(std::move(handles)) {
        SIZE_T size = 0;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        storage_.resize(size);
        auto* list = List();
        ok_ = InitializeProcThreadAttributeList(list, 1, 0, &size) &&
              UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles_.data(),
                                        handles_.size() * sizeof(HANDLE), nullptr, nullptr);
    }
    ~InheritedHandles() {
        if (!storage_.empty())
            DeleteProcThreadAttributeList(List());
    }
    InheritedHandles(const InheritedHandles&) = delete;
    InheritedHandles& operator=(const InheritedHandles&) = delete;
    bool Ok() const { return ok_; }
    LPPROC_THREAD_ATTRIBUTE_LIST List() {
        return reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.data());
    }

  private:
    std::vector<HANDLE> handles_;
    std::vector<char> storage_;
    bool ok_ = false;
};

// The caller's standard error as an inheritable copy; none when it has none.
HANDLE InheritableErrorOutput() {
    const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    HANDLE copy = nullptr;
    if (error == nullptr || error == INVALID_HANDLE_VALUE ||
        !DuplicateHandle(GetCurrentProcess(), error, GetCurrentProcess(), &copy, 0, TRUE,
                         DUPLICATE_SAME_ACCESS))
        return nullptr;
    return copy;
}

}  // namespace

std::optional<ChildProcess> StartChild(const std::string& path) {
    Handle parent;
    Handle child;
    if (!OpenPipe(parent, child))
        return std::nullopt;
    const Handle errorOutput(InheritableErrorOutput());
    std::vector<HANDLE> inherited{child.Get()};
    if (errorOutput.Get() != nullptr)
        inherited.push_back(errorOutput.Get());
    InheritedHandles handles(inherited);
    if (!handles.Ok())
        return std::nullopt;
    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = child.Get();
    startup.StartupInfo.hStdOutput = child.Get();
    startup.StartupInfo.hStdError = errorOutput.Get();
    startup.lpAttributeList = handles.List();
    // A path holds no quotes, so quoting it whole makes it one argument.
    std::wstring application;
    try {
        application = Wide(path);
    } catch (const std::exception&) {
        return std::nullopt;
    }
    std::wstring commandLine = L"\"" + application + L"\"";
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                        CREATE_NO_WINDOW | EXTENDED_STARTUPINFO_PRESENT, nullptr, nullptr,
                        &startup.StartupInfo, &process))
        return std::nullopt;
    CloseHandle(process.hThread);
    return ChildProcess{reinterpret_cast<std::intptr_t>(process.hProcess),
                        reinterpret_cast<StreamHandle>(parent.Release())};
}

// The process handle stays open until EndChild, so it still names this child.
void KillChild(const ChildProcess& child) {
    TerminateProcess(reinterpret_cast<HANDLE>(child.process), 1);
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
}

}  // namespace kb
