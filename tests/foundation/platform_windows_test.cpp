// The Windows services themselves: what the command line quoting gives back through the system's
// own parser, the known documents folder, the wide converter, starting programs.
#include <windows.h>

#include <shellapi.h>

#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <string>

#include "foundation/files.h"
#include "foundation/paths.h"
#include "foundation/platform.h"
#include "foundation/wide_text_windows.h"
#include "tests/support/temp_folder.h"

namespace kb {
namespace {

std::vector<std::string> ParsedBySystem(const std::string& line) {
    int count = 0;
    wchar_t** parsed = CommandLineToArgvW(Wide(line).c_str(), &count);
    std::vector<std::string> arguments;
    for (int i = 0; parsed != nullptr && i < count; ++i)
        arguments.push_back(Narrow(parsed[i]));
    LocalFree(parsed);
    return arguments;
}

TEST(WindowsPlatform, CommandLineRoundTripsThroughTheSystemParser) {
    const std::vector<std::string> arguments = {
        "C:\\Program Files\\Inno Setup 6\\Compil32.exe",
        "/cc",
        "C:\\Users\\Anna\\Documents\\Kitbinder\\Installations\\Mäntel €.iss",
        "",
        "say \"hi\"",
        "trailing\\",
        "a\\\\\"b c",
        "tab\there",
    };
    EXPECT_EQ(ParsedBySystem(WindowsCommandLine(arguments)), arguments);
}

TEST(WindowsPlatform, DocumentsFolderIsTheKnownFolder) {
    SetDocumentsFolder("");
    const std::string documents = DocumentsFolder();
    EXPECT_TRUE(documents.size() > 3 && documents[1] == ':') << documents;
}

TEST(WindowsPlatform, WideTextRoundTripsAndRefusesBadUtf8) {
    const std::string text = "Ärmel 日本 ✓";
    EXPECT_EQ(Narrow(Wide(text)), text);
    EXPECT_EQ(Wide("a"), L"a");
    EXPECT_THROW(Wide("caf\xe9"), std::invalid_argument);
    EXPECT_EQ(WidePath("C:/a/b"), L"C:\\a\\b");
    const std::string deep = "C:\\" + std::string(300, 'x');
    EXPECT_EQ(WidePath(deep), L"\\\\?\\" + Wide(deep));
    EXPECT_NE(SystemMessage(ERROR_FILE_NOT_FOUND), "");
}

std::wstring CurrentWideFolder() {
    std::wstring folder(GetCurrentDirectoryW(0, nullptr), L'\0');
    folder.resize(GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data()));
    return folder;
}

// The prefix depends on the length of the absolute path, whatever the length of the one given.
TEST(WindowsPlatform, LongPathPrefixFollowsTheAbsolutePath) {
    const std::wstring current = CurrentWideFolder();
    const std::wstring separator = current.ends_with(L"\\") ? L"" : L"\\";
    const std::string relativeLong(239, 'r');  // short of the limit, but not once absolute
    const std::wstring absoluteLong = current + separator + Wide(relativeLong);
    ASSERT_GE(absoluteLong.size(), 240u);
    ASSERT_LT(relativeLong.size(), 240u);
    struct Case {
        std::string path;
        std::wstring wide;
    };
    const Case cases[] = {
        {relativeLong, L"\\\\?\\" + absoluteLong},
        {"short/name", L"short\\name"},
        {"C:\\a\\..\\" + std::string(250, 'x'), L"\\\\?\\C:\\" + std::wstring(250, L'x')},
        {"\\\\.\\pipe\\" + std::string(250, 'p'), L"\\\\.\\pipe\\" + std::wstring(250, L'p')},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WidePath(c.path), c.wide) << c.path;
    EXPECT_EQ(WideFolderPath("C:/" + std::string(250, 'f')), L"C:\\" + std::wstring(250, L'f'));
}

// Batch files run through cmd.exe, whatever the quoting of their arguments: a bare name never
// finds one, though PATHEXT lists them.
TEST(WindowsPlatform, BareNamesFindOnlyPrograms) {
    test::TempFolder dir;
    for (const char* name : {"batch.bat", "script.cmd", "both.cmd", "both.exe"})
        ASSERT_TRUE(WriteTextFile(dir / name, "x"));
    EXPECT_EQ(FindProgram(InFolder(dir.Path(), "batch")), "");
    EXPECT_EQ(FindProgram(InFolder(dir.Path(), "script")), "");
    EXPECT_TRUE(FindProgram(InFolder(dir.Path(), "both")).ends_with("both.exe"));
}

// A program whose start left a process holding its output open has ended when its process
// has: the wait does not last as long as the leftover, and the leftover ends with the wait.
TEST(WindowsPlatform, WaitEndsWithTheProgramNotWithWhatItLeftRunning) {
    const auto start = std::chrono::steady_clock::now();
    const ProgramResult result = StartProgram(KB_PIPE_HOLDER, {}, "", true);
    const auto took = std::chrono::steady_clock::now() - start;
    ASSERT_TRUE(result.started);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_LT(took, std::chrono::seconds(30));
    const auto leftover = static_cast<DWORD>(std::stoul(result.output));
    const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, leftover);
    if (process != nullptr) {
        EXPECT_EQ(WaitForSingleObject(process, 10000), WAIT_OBJECT_0);
        CloseHandle(process);
    }
}

// The working folder is given to the system without the long-path prefix, which it refuses
// there, also when the folder's path is long enough to get one elsewhere.
TEST(WindowsPlatform, ProgramsRunInLongWorkingFolders) {
    test::TempFolder dir;
    std::string folder = dir.Path();
    while (folder.size() < 245)
        folder = InFolder(folder, std::string(std::min<size_t>(60, 250 - folder.size()), 'w'));
    ASSERT_TRUE(EnsureFolder(folder));
    const ProgramResult result = StartProgram("cmd", {"/c", "cd"}, folder, true);
    ASSERT_TRUE(result.started);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.output.find(std::string(60, 'w')), std::string::npos) << result.output;
}

}  // namespace
}  // namespace kb
