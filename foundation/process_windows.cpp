#include "foundation/process_windows.h"

#include <memory>
#include <utility>
#include <vector>

namespace kb::win {

void Handle::Reset(HANDLE handle) {
    if (handle_ != nullptr)
        CloseHandle(handle_);
    handle_ = handle == INVALID_HANDLE_VALUE ? nullptr : handle;
}

HANDLE Handle::Release() {
    return std::exchange(handle_, nullptr);
}

Handle OpenNul() {
    return Handle(CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                              nullptr));
}

namespace {

// Inheritable copies of the handles a child is given, each handle copied once. The originals
// never become inheritable, so that no other child started meanwhile gets them; the copies
// close right after the start.
class InheritableCopies {
  public:
    // The copy of handle; none for none, or when it could not be made (then !Ok() if required).
    HANDLE Add(HANDLE handle, bool required = true) {
        if (handle == nullptr || handle == INVALID_HANDLE_VALUE)
            return nullptr;
        for (size_t i = 0; i < originals_.size(); ++i) {
            if (originals_[i] == handle)
                return copies_[i];
        }
        HANDLE copy = nullptr;
        if (!DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &copy, 0, TRUE,
                             DUPLICATE_SAME_ACCESS)) {
            ok_ = ok_ && !required;
            return nullptr;
        }
        originals_.push_back(handle);
        copies_.push_back(copy);
        return copy;
    }
    ~InheritableCopies() {
        for (HANDLE copy : copies_)
            CloseHandle(copy);
    }
    InheritableCopies() = default;
    InheritableCopies(const InheritableCopies&) = delete;
    InheritableCopies& operator=(const InheritableCopies&) = delete;
    bool Ok() const { return ok_; }
    const std::vector<HANDLE>& Copies() const { return copies_; }

  private:
    std::vector<HANDLE> originals_;
    std::vector<HANDLE> copies_;
    bool ok_ = true;
};

// The process attribute that lets the child inherit exactly the given handles, even when other
// threads start children with inheritable handles of their own at the same time.
class InheritedHandles {
  public:
    explicit InheritedHandles(std::vector<HANDLE> handles) : handles_(std::move(handles)) {
        SIZE_T size = 0;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        storage_ = std::make_unique<char[]>(size);
        auto* list = List();
        initialised_ = InitializeProcThreadAttributeList(list, 1, 0, &size) != 0;
        ok_ = initialised_ &&
              UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles_.data(),
                                        handles_.size() * sizeof(HANDLE), nullptr, nullptr);
    }
    ~InheritedHandles() {
        if (initialised_)
            DeleteProcThreadAttributeList(List());
    }
    InheritedHandles(const InheritedHandles&) = delete;
    InheritedHandles& operator=(const InheritedHandles&) = delete;
    bool Ok() const { return ok_; }
    LPPROC_THREAD_ATTRIBUTE_LIST List() {
        return reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.get());
    }

  private:
    std::vector<HANDLE> handles_;
    std::unique_ptr<char[]> storage_;
    bool initialised_ = false;
    bool ok_ = false;
};

}  // namespace

Handle KillOnCloseJob() {
    Handle job(CreateJobObjectW(nullptr, nullptr));
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (job.Valid() && !SetInformationJobObject(job.Get(), JobObjectExtendedLimitInformation,
                                                &limits, sizeof limits))
        job.Reset(nullptr);
    return job;
}

bool StartChildProcess(const ChildStart& start, StartedChild& started) {
    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup;
    DWORD flags = start.flags | CREATE_UNICODE_ENVIRONMENT | CREATE_SUSPENDED;
    InheritableCopies copies;
    if (start.input != nullptr || start.output != nullptr || start.error != nullptr) {
        startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
        startup.StartupInfo.hStdInput = copies.Add(start.input);
        startup.StartupInfo.hStdOutput = copies.Add(start.output);
        startup.StartupInfo.hStdError = copies.Add(start.error, false);
    }
    if (!copies.Ok())
        return false;
    std::unique_ptr<InheritedHandles> inherited;
    if (!copies.Copies().empty()) {
        inherited = std::make_unique<InheritedHandles>(copies.Copies());
        if (!inherited->Ok())
            return false;
        startup.lpAttributeList = inherited->List();
        flags |= EXTENDED_STARTUPINFO_PRESENT;
    }
    Handle job = start.inJob ? KillOnCloseJob() : Handle();
    std::wstring commandLine = start.commandLine;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(start.application.c_str(), commandLine.data(), nullptr, nullptr,
                        inherited ? TRUE : FALSE, flags, nullptr,
                        start.workingFolder.empty() ? nullptr : start.workingFolder.c_str(),
                        &startup.StartupInfo, &process))
        return false;
    Handle thread(process.hThread);
    Handle child(process.hProcess);
    // Without the job (a system that refuses it) the child still runs, only unconfined.
    if (job.Valid() && !AssignProcessToJobObject(job.Get(), child.Get()))
        job.Reset(nullptr);
    if (ResumeThread(thread.Get()) == static_cast<DWORD>(-1)) {
        TerminateProcess(child.Get(), 1);
        return false;
    }
    started.process = std::move(child);
    started.job = std::move(job);
    return true;
}

}  // namespace kb::win
