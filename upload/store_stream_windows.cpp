#include <windows.h>

#include <algorithm>

#include "upload/store_stream.h"

namespace kb {
namespace {

HANDLE Native(StreamHandle stream) {
    return reinterpret_cast<HANDLE>(stream);
}

// Milliseconds for WaitForSingleObject until the deadline.
DWORD WaitTime(const Deadline& deadline) {
    if (!deadline)
        return INFINITE;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        *deadline - std::chrono::steady_clock::now());
    return static_cast<DWORD>(std::clamp<std::int64_t>(left.count(), 0, INFINITE - 1));
}

bool IsStreamEnd(DWORD error) {
    return error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF || error == ERROR_NO_DATA ||
           error == ERROR_PIPE_NOT_CONNECTED;
}

class Event {
  public:
    Event() : event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~Event() {
        if (event_ != nullptr)
            CloseHandle(event_);
    }
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;
    HANDLE Get() const { return event_; }

  private:
    HANDLE event_;
};

// One read or write, waited for until the deadline and cancelled then. An overlapped handle
// (the upload's end) waits here; a plain one (the helper's) waits inside the call. Returns the
// bytes moved, 0 at the stream's end, -1 on an error or when the deadline passed.
std::ptrdiff_t Transfer(StreamHandle stream, bool write, void* data, std::size_t size,
                        const Deadline& deadline) {
    const HANDLE handle = Native(stream);
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    Event done;
    if (done.Get() == nullptr)
        return -1;
    OVERLAPPED overlapped{};
    overlapped.hEvent = done.Get();
    DWORD moved = 0;
    const BOOL finished = write ? WriteFile(handle, data, chunk, &moved, &overlapped)
                                : ReadFile(handle, data, chunk, &moved, &overlapped);
    if (!finished) {
        const DWORD error = GetLastError();
        if (error != ERROR_IO_PENDING)
            return IsStreamEnd(error) ? 0 : -1;
        if (WaitForSingleObject(done.Get(), WaitTime(deadline)) != WAIT_OBJECT_0)
            CancelIoEx(handle, &overlapped);
        // Also after a cancel: the buffer stays in use until the transfer has ended.
        if (!GetOverlappedResult(handle, &overlapped, &moved, TRUE))
            return IsStreamEnd(GetLastError()) ? 0 : -1;
    }
    return static_cast<std::ptrdiff_t>(moved);
}

}  // namespace

std::ptrdiff_t ReadSome(StreamHandle stream, void* data, std::size_t size,
                        const Deadline& deadline) {
    return Transfer(stream, false, data, size, deadline);
}

std::ptrdiff_t WriteSome(StreamHandle stream, const void* data, std::size_t size,
                         const Deadline& deadline) {
    return Transfer(stream, true, const_cast<void*>(data), size, deadline);
}

namespace {

// Ends the process with the fault's code before the system starts a debugger for it (wine
// starts winedbg whatever the error mode says).
LONG WINAPI EndProcess(EXCEPTION_POINTERS* fault) {
    TerminateProcess(GetCurrentProcess(), fault->ExceptionRecord->ExceptionCode);
    return EXCEPTION_EXECUTE_HANDLER;
}

// A helper that crashes ends at once instead of waiting on the system's error dialog or
// debugger, so that the upload sees its end rather than its time-out.
void EndOnCrash() {
    static const bool set = [] {
        SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
        SetUnhandledExceptionFilter(EndProcess);
        return true;
    }();
    (void)set;
}

}  // namespace

StreamHandle HelperInput() {
    EndOnCrash();
    return reinterpret_cast<StreamHandle>(GetStdHandle(STD_INPUT_HANDLE));
}

StreamHandle HelperOutput() {
    EndOnCrash();
    return reinterpret_cast<StreamHandle>(GetStdHandle(STD_OUTPUT_HANDLE));
}

}  // namespace kb
