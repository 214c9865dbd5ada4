// The Win32 desktop services behind platform.cpp: the documents folder from the known-folder
// API, the executable's path, starting programs in job objects with pipes, opening documents
// through the shell.
#include <windows.h>

#include <knownfolders.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <stdexcept>

#include "foundation/files.h"
#include "foundation/paths.h"
#include "foundation/platform.h"
#include "foundation/process_windows.h"
#include "foundation/system_calls.h"
#include "foundation/text.h"
#include "foundation/wide_text_windows.h"

namespace kb {

namespace {

using win::Handle;

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

bool IsProgramExtension(const std::string& extension) {
    const std::string lower = LowerCase(extension);
    return lower == ".exe" || lower == ".com";
}

// The extensions that make a file a program we start, in PATHEXT's order. Batch files are never
// among them: CreateProcessW hands those to cmd.exe, whose command line no quoting makes safe.
std::vector<std::string> ProgramExtensions() {
    std::vector<std::string> extensions = Split(Narrow(EnvironmentValue(L"PATHEXT")), ';');
    std::erase_if(extensions, [](const std::string& e) { return !IsProgramExtension(e); });
    if (extensions.empty())
        extensions = {".COM", ".EXE"};
    return extensions;
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

// The pipe that collects a waited-for program's output, and NUL for its standard input; none of
// them inheritable (the child gets copies of its ends).
struct OutputPipe {
    Handle read;
    Handle write;
    Handle input;

    bool Open() {
        HANDLE readEnd = nullptr;
        HANDLE writeEnd = nullptr;
        if (!CreatePipe(&readEnd, &writeEnd, nullptr, 0))
            return false;
        read.Reset(readEnd);
        write.Reset(writeEnd);
        input = win::OpenNul();
        return input.Valid();
    }
};

enum class PipeState { Read, Empty, Closed };

// Reads what the pipe holds now, up to one buffer, without waiting for more.
PipeState ReadAvailable(HANDLE pipe, std::string& out,
                        const std::function<void(std::string_view)>& onOutput) {
    DWORD available = 0;
    if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr))
        return PipeState::Closed;
    if (available == 0)
        return PipeState::Empty;
    char buffer[16384];
    DWORD got = 0;
    if (!ReadFile(pipe, buffer, std::min<DWORD>(available, sizeof buffer), &got, nullptr) ||
        got == 0)
        return PipeState::Closed;
    out.append(buffer, got);
    if (onOutput)
        onOutput(std::string_view(buffer, got));
    return PipeState::Read;
}

// How long the output left in the pipe may take to read once the program has ended.
constexpr auto kDrainTime = std::chrono::seconds(2);

// The program's output until its process ends, then what it left in the pipe. Programs it
// started (wine's services, a shell's background job) may keep the pipe open long after, so the
// pipe closing is not waited for. onOutput runs on the calling thread.
std::string CollectOutput(HANDLE process, HANDLE pipe,
                          const std::function<void(std::string_view)>& onOutput) {
    std::string out;
    PipeState state = PipeState::Empty;
    for (;;) {
        const DWORD wait = state == PipeState::Read     ? 0
                           : state == PipeState::Closed ? INFINITE
                                                        : 10;
        if (WaitForSingleObject(process, wait) != WAIT_TIMEOUT)
            break;
        if (state != PipeState::Closed)
            state = ReadAvailable(pipe, out, onOutput);
    }
    const auto deadline = std::chrono::steady_clock::now() + kDrainTime;
    while (state != PipeState::Closed && std::chrono::steady_clock::now() < deadline) {
        state = ReadAvailable(pipe, out, onOutput);
        if (state == PipeState::Empty)
            break;
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

namespace {

// The console as the program found it, set back when the program ends.
struct ConsoleSettings {
    UINT outputCodePage = 0;  // 0: no console
    HANDLE error = nullptr;
    DWORD errorMode = 0;
    bool errorModeChanged = false;
};

ConsoleSettings& FoundConsole() {
    static ConsoleSettings settings;
    return settings;
}

void RestoreConsole() {
    const ConsoleSettings& found = FoundConsole();
    if (found.errorModeChanged)
        SetConsoleMode(found.error, found.errorMode);
    if (found.outputCodePage != 0)
        SetConsoleOutputCP(found.outputCodePage);
}

// Ctrl+C, Ctrl+Break and closing the console end the program without running atexit; the next
// handler (the system's) then ends it.
BOOL WINAPI RestoreConsoleOnControl(DWORD) {
    RestoreConsole();
    return FALSE;
}

// Notes the console's settings once, before the first change, and sets them back at any end.
void RememberConsole() {
    static const bool remembered = [] {
        ConsoleSettings& found = FoundConsole();
        found.outputCodePage = GetConsoleOutputCP();
        found.error = GetStdHandle(STD_ERROR_HANDLE);
        std::atexit(RestoreConsole);
        SetConsoleCtrlHandler(RestoreConsoleOnControl, TRUE);
        return true;
    }();
    (void)remembered;
}

}  // namespace

// A console shows the progress line's escape sequences only with virtual-terminal processing,
// which older consoles do not have: there the progress goes in plain lines.
bool StandardErrorIsTerminal() {
    RememberConsole();
    ConsoleSettings& found = FoundConsole();
    DWORD mode = 0;
    if (!GetConsoleMode(found.error, &mode))
        return false;
    if ((mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0)
        return true;
    if (!SetConsoleMode(found.error,
                        mode | ENABLE_PROCESSED_OUTPUT | ENABLE_VIRTUAL_TERMINAL_PROCESSING))
        return false;
    if (!found.errorModeChanged) {
        found.errorMode = mode;
        found.errorModeChanged = true;
    }
    return true;
}

void UseUtf8Console() {
    RememberConsole();
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

// Without wait, the program runs on alone: Windows keeps no record of it for us to collect. A
// waited-for program runs in a job that ends whatever it leaves running once it has ended.
ProgramResult StartProgram(const std::string& program, const std::vector<std::string>& arguments,
                           const std::string& workingFolder, bool wait,
                           const std::function<void(std::string_view)>& onOutput) {
    ProgramResult result;
    const std::string resolved = FindProgram(program);
    if (resolved.empty())
        return result;
    std::vector<std::string> all{resolved};
    all.insert(all.end(), arguments.begin(), arguments.end());
    win::ChildStart start;
    try {
        start.commandLine = Wide(WindowsCommandLine(all));
        start.application = WidePath(resolved);
        if (!workingFolder.empty())
            start.workingFolder = WideFolderPath(workingFolder);
    } catch (const std::invalid_argument&) {
        return result;  // an argument or folder that is no UTF-8 text
    }
    OutputPipe pipe;
    if (wait) {
        if (!pipe.Open())
            return result;
        start.input = pipe.input.Get();
        start.output = pipe.write.Get();
        start.error = pipe.write.Get();
        start.flags = CREATE_NO_WINDOW;
        start.inJob = true;
    }
    win::StartedChild child;
    const bool started = win::StartChildProcess(start, child);
    pipe.write.Reset(nullptr);
    pipe.input.Reset(nullptr);
    if (!started)
        return result;
    result.started = true;
    if (!wait)
        return result;
    result.output = CollectOutput(child.process.Get(), pipe.read.Get(), onOutput);
    DWORD exitCode = 0;
    if (WaitForSingleObject(child.process.Get(), INFINITE) == WAIT_OBJECT_0 &&
        GetExitCodeProcess(child.process.Get(), &exitCode))
        result.exitCode = static_cast<int>(exitCode);
    return result;
}

}  // namespace kb
