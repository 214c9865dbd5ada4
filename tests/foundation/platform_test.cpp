#include "foundation/platform.h"

#include <gtest/gtest.h>

#include <vector>

#include "foundation/files.h"
#include "foundation/paths.h"
#include "tests/support/temp_folder.h"

namespace kb {
namespace {

const bool kWindows = kPathSeparator == '\\';

TEST(Platform, DocumentsFolderCanBeRedirected) {
    test::TempFolder dir;
    SetDocumentsFolder(dir.Path());
    EXPECT_EQ(DocumentsFolder(), dir.Path());
    SetDocumentsFolder("");
    EXPECT_FALSE(DocumentsFolder().empty());
}

TEST(Platform, ExecutableFolderHoldsThisProgram) {
    EXPECT_TRUE(FileExists(InFolder(ExecutableFolder(), ExecutableName())));
    EXPECT_EQ(ExecutableName(), kWindows ? "foundation_tests.exe" : "foundation_tests");
}

// The program runs in the given folder (a name beyond ASCII), its output and exit code come back.
TEST(Platform, StartProgramWaitsAndCollectsOutput) {
    test::TempFolder dir;
    const std::string folder = InFolder(dir.Path(), "Mäntel");
    ASSERT_TRUE(WriteTextFile(InFolder(folder, "marker.txt"), "m"));
    ProgramResult result =
        kWindows
            ? StartProgram("cmd",
                           {"/c", "(if exist marker.txt echo found) & (echo oops>&2) & exit 3"},
                           folder, true)
            : StartProgram("sh", {"-c", "test -f marker.txt && echo found; echo oops >&2; exit 3"},
                           folder, true);
    EXPECT_TRUE(result.started);
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_EQ(result.output, kWindows ? "found\r\noops\r\n" : "found\noops\n");
}

// Each argument comes back unchanged from the command line that CommandLineToArgvW and the C
// runtime parse.
TEST(Platform, WindowsCommandLineQuotesWhatNeedsIt) {
    const struct {
        std::vector<std::string> arguments;
        std::string line;
    } cases[] = {
        {{"C:\\Program Files\\Compil32.exe", "/cc", "a.iss"},
         "\"C:\\Program Files\\Compil32.exe\" /cc a.iss"},
        {{"x", ""}, "x \"\""},
        {{"tab\there"}, "\"tab\there\""},
        {{"say \"hi\""}, "\"say \\\"hi\\\"\""},
        {{"C:\\a b\\"}, "\"C:\\a b\\\\\""},        // trailing backslash doubled
        {{"a\\\\\"b c"}, "\"a\\\\\\\\\\\"b c\""},  // backslashes before a quote
        {{"C:\\plain\\path"}, "C:\\plain\\path"},  // backslashes alone stay
        {{"Ärmel €.iss"}, "\"Ärmel €.iss\""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WindowsCommandLine(c.arguments), c.line) << c.line;
}

TEST(Platform, StartProgramReportsWhatCannotStart) {
    EXPECT_FALSE(StartProgram("no-such-program-kb", {}, "", true).started);
    EXPECT_FALSE(StartProgram("/no/such/program", {}, "", false).started);
    const std::string shell = kWindows ? "cmd" : "sh";
    EXPECT_FALSE(StartProgram(shell, {}, "/no/such/folder", true).started);
    EXPECT_EQ(FindProgram("no-such-program-kb"), "");
    EXPECT_NE(FindProgram(shell), "");
    if (kWindows) {  // found by PATHEXT, whatever the case of the name
        EXPECT_TRUE(FindProgram("CMD").ends_with(".exe") || FindProgram("CMD").ends_with(".EXE"));
    }
    EXPECT_TRUE(StartProgram(shell, {kWindows ? "/c" : "-c", "exit 0"}, "", false).started);
}

// The build tree and an installed program find their pictures and helpers in different places.
TEST(Platform, ProgramFilesFollowTheLayout) {
    struct Case {
        const char* layout;
        std::vector<const char*> folders;  // made below the temporary root
        const char* resources;
        const char* helpers;
    };
    const Case cases[] = {
        {"build tree", {"bin", "Kitbinder"}, "Kitbinder", "bin"},
        {"build tree without pictures yet", {"bin"}, "Kitbinder", "bin"},
        {"installed",
         {"bin", "share/kitbinder", "libexec/kitbinder"},
         "share/kitbinder",
         "libexec/kitbinder"},
        // A build tree below an installed prefix stays a build tree.
        {"installed share beside, not above", {"bin", "bin/share/kitbinder"}, "Kitbinder", "bin"},
    };
    for (const Case& c : cases) {
        test::TempFolder dir;
        for (const char* folder : c.folders)
            ASSERT_TRUE(EnsureFolder(dir.Path() + "/" + folder));
        const ProgramFiles files = LocateProgramFiles(dir.Path() + "/bin");
        EXPECT_EQ(files.resources, NormalizePath(dir.Path() + "/" + c.resources)) << c.layout;
        EXPECT_EQ(files.helpers, NormalizePath(dir.Path() + "/" + c.helpers)) << c.layout;
    }
}

}  // namespace
}  // namespace kb
