// The Win32 desktop services behind platform.cpp: the documents folder from the known-folder
// API, the executable's path, starting programs with CreateProcessW and pipes, opening documents
// through the shell.
#include <windows.h>

#include <knownfolders.h>
#include <shellapi.h>
#include <shlobj.h>

#include <memory>
#include <stdexcept>

#include "foundation/files.h"
#include "foundation/paths.h"
#include "foundation/platform.h"
#include "foundation/system_calls.h"
#include "foundation/wide_text_windows.h"

namespace kb {

namespace {

class Handle {
  public:
    Handle() = default;
    explicit Handle(HANDLE handle) : handle_(handle) {}
    ~Handle() { Close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool Valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return handle_; }
    HANDLE* Out() { return &handle_; }
    void Close() {
        if (Valid())
            CloseHandle(handle_);
        handle_ = nullptr;
    }

  private:
    HANDLE handle_ = nullptr;
};

std::wstring EnvironmentValue(const wchar_t* name) {
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0)
        return {};
    std::wstring value(size, L'\0');
    const DWORD length = GetEnvironmentVariableW(name, value.data(), size);
    value.resize(length < size ? length : 0);
    return value;
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(separator, start);
        if (end == std::string::npos)
            end = text.size();
        std::string part = text.substr(start, end - start);
        if (part.size() >= 2 && part.front() == '"' && part.back() == '"')
            part = part.substr(1, part.size() - 2);
        if (!part.empty())
            parts.push_back(part);
        start = end + 1;
    }
    return parts;
}

// The extensions that make a file a program, from PATHEXT.
std::vector<std::string> ProgramExtensions() {
    const std::wstring value = EnvironmentValue(L"PATHEXT");
    return Split(value.empty() ? ".COM;.EXE;.BAT;.CMD" : Narrow(value), ';');
}

bool IsFile(const std::string& path) {
    return FileExists(path);
}

// The program at base: base itself when its name has an extension, otherwise base with the
// first of the program extensions that exists.
std::string ProgramAt(const std::string& base) {
    if (NameOf(base).find('.') != std::string::npos && IsFile(base))
        return base;
    for (const std::string& extension : ProgramExtensions()) {
        if (IsFile(base + extension))
            return base + extension;
    }
    return {};
}

// The process attribute that lets the child inherit exactly the given handles.
class InheritedHandles {
  public:
    explicit InheritedHandles(std::vector<HANDLE> handles) : handles_(std::move(handles)) {
        SIZE_T size = 0;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        storage_ = std::make_unique<char[]>(size);
        list_ = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.get());
        ok_ =
            InitializeProcThreadAttributeList(list_, 1, 0, &size) &&
            UpdateProcThreadAttribute(list_, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles_.data(),
                                      handles_.size() * sizeof(HANDLE), nullptr, nullptr);
    }
    ~InheritedHandles() { DeleteProcThreadAttributeList(list_); }
    InheritedHandles(const InheritedHandles&) = delete;
    InheritedHandles& operator=(const InheritedHandles&) = delete;
    bool Ok() const { return ok_; }
    LPPROC_THREAD_ATTRIBUTE_LIST Get() const { return list_; }

  private:
    std::vector<HANDLE> handles_;
    std::unique_ptr<char[]> storage_;
    LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
    bool ok_ = false;
};

// The pipe that collects a waited-for program's output, and its standard input from NUL.
struct OutputPipe {
    Handle read;
    Handle write;
    Handle input;

    bool Open() {
        SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        if (!CreatePipe(read.Out(), write.Out(), &inherit, 0) ||
            !SetHandleInformation(read.Get(), HANDLE_FLAG_INHERIT, 0))
            return false;
        *input.Out() = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   &inherit, OPEN_EXISTING, 0, nullptr);
        return input.Valid();
    }
};

std::string ReadAll(HANDLE pipe, const std::function<void(std::string_view)>& onOutput) {
    std::string out;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        out.append(buffer, got);
        if (onOutput)
            onOutput(std::string_view(buffer, got));
    }
    return out;
}

}  // namespace

namespace os {

bool RunsAtBackgroundPriority() {
    return GetThreadPriority(GetCurrentThread()) == THREAD_PRIORITY_IDLE;
}

std::string SystemDocumentsFolder() {
    wchar_t* folder = nullptr;
    std::string text;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Documents, 0, nullptr, &folder)))
        text = Narrow(folder);
    CoTaskMemFree(folder);
    return text;
}

std::filesystem::path ExecutablePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            return std::filesystem::path(path);
        }
        path.resize(path.size() * 2);
    }
}

}  // namespace os

std::vector<std::string> ProgramArguments(int /*argc*/, char** /*argv*/) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 1; wide != nullptr && i < count; ++i)
        arguments.push_back(Narrow(wide[i]));
    LocalFree(wide);
    return arguments;
}

bool StandardErrorIsTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

void UseUtf8Console() {
    SetConsoleOutputCP(CP_UTF8);
}

std::string FindProgram(const std::string& program) {
    if (program.empty())
        return {};
    if (program.find_first_of("\\/:") != std::string::npos)
        return ProgramAt(program);
    if (std::string helper = ProgramAt(InFolder(OwnProgramFiles().helpers, program));
        !helper.empty())
        return helper;
    for (const std::string& folder : Split(Narrow(EnvironmentValue(L"PATH")), ';')) {
        if (std::string found = ProgramAt(InFolder(folder, program)); !found.empty())
            return found;
    }
    return {};
}

bool OpenWithDefaultHandler(const std::string& path) {
    std::wstring document;
    try {
        document = WidePath(path);
    } catch (const std::invalid_argument&) {
        return false;
    }
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", document.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
}

// Without wait, the program runs on alone: Windows keeps no record of it for us to collect.
ProgramResult StartProgram(const std::string& program, const std::vector<std::string>& arguments,
                           const std::string& workingFolder, bool wait,
                           const std::function<void(std::string_view)>& onOutput) {
    ProgramResult result;
    const std::string resolved = FindProgram(program);
    if (resolved.empty())
        return result;
    std::vector<std::string> all{resolved};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::wstring commandLine;
    std::wstring application;
    std::wstring folder;
    try {
        commandLine = Wide(WindowsCommandLine(all));
        application = WidePath(resolved);
        folder = workingFolder.empty() ? std::wstring() : WidePath(workingFolder);
    } catch (const std::invalid_argument&) {
        return result;  // an argument or folder that is no UTF-8 text
    }

    OutputPipe pipe;
    if (wait && !pipe.Open())
        return result;
    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup;
    DWORD flags = CREATE_UNICODE_ENVIRONMENT;
    std::unique_ptr<InheritedHandles> inherited;
    if (wait) {
        startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
        startup.StartupInfo.hStdInput = pipe.input.Get();
        startup.StartupInfo.hStdOutput = pipe.write.Get();
        startup.StartupInfo.hStdError = pipe.write.Get();
        inherited = std::make_unique<InheritedHandles>(
            std::vector<HANDLE>{pipe.input.Get(), pipe.write.Get()});
        if (!inherited->Ok())
            return result;
        startup.lpAttributeList = inherited->Get();
        flags |= EXTENDED_STARTUPINFO_PRESENT | CREATE_NO_WINDOW;
    }
    PROCESS_INFORMATION process{};
    const bool started =
        CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, wait, flags,
                       nullptr, folder.empty() ? nullptr : folder.c_str(), &startup.StartupInfo,
                       &process) != 0;
    pipe.write.Close();
    pipe.input.Close();
    if (!started)
        return result;
    Handle processHandle(process.hProcess);
    Handle threadHandle(process.hThread);
    result.started = true;
    if (!wait)
        return result;
    result.output = ReadAll(pipe.read.Get(), onOutput);
    DWORD exitCode = 0;
    if (WaitForSingleObject(processHandle.Get(), INFINITE) == WAIT_OBJECT_0 &&
        GetExitCodeProcess(processHandle.Get(), &exitCode))
        result.exitCode = static_cast<int>(exitCode);
    return result;
}

}  // namespace kb
