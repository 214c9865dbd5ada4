// The Windows services themselves: what the command line quoting gives back through the system's
// own parser, the known documents folder, the wide converter.
#include <windows.h>

#include <shellapi.h>

#include <gtest/gtest.h>

#include <stdexcept>

#include "foundation/files.h"
#include "foundation/platform.h"
#include "foundation/wide_text_windows.h"

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

}  // namespace
}  // namespace kb
