// A program that starts a copy of itself, which inherits its output and outlives it by a minute
// (as the system services a program's start brings up may), then prints the copy's process id
// and ends.
#include <windows.h>

#include <cstdio>
#include <string>

int main() {
    if (std::wstring(GetCommandLineW()).ends_with(L" hold")) {
        Sleep(60000);
        return 0;
    }
    std::wstring self(MAX_PATH, L'\0');
    self.resize(GetModuleFileNameW(nullptr, self.data(), MAX_PATH));
    std::wstring commandLine = L"\"" + self + L"\" hold";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(self.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                        nullptr, &startup, &process))
        return 1;
    std::printf("%lu\n", process.dwProcessId);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}
