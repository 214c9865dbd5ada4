#include "foundation/platform.h"

#include <gtest/gtest.h>

#include <vector>

#include "foundation/files.h"
#include "tests/support/temp_folder.h"

namespace kb {
namespace {

TEST(Platform, DocumentsFolderCanBeRedirected) {
    test::TempFolder dir;
    SetDocumentsFolder(dir.Path());
    EXPECT_EQ(DocumentsFolder(), dir.Path());
    SetDocumentsFolder("");
    EXPECT_FALSE(DocumentsFolder().empty());
}

TEST(Platform, ExecutableFolderHoldsThisProgram) {
    EXPECT_TRUE(FileExists(ExecutableFolder() + "/" + ExecutableName()));
    EXPECT_EQ(ExecutableName(), "foundation_tests");
}

TEST(Platform, StartProgramWaitsAndCollectsOutput) {
    test::TempFolder dir;
    ProgramResult result =
        StartProgram("sh", {"-c", "pwd; echo oops >&2; exit 3"}, dir.Path(), true);
    EXPECT_TRUE(result.started);
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_EQ(result.output, dir.Path() + "\noops\n");
}

TEST(Platform, StartProgramReportsWhatCannotStart) {
    EXPECT_FALSE(StartProgram("no-such-program-kb", {}, "", true).started);
    EXPECT_FALSE(StartProgram("/no/such/program", {}, "", false).started);
    EXPECT_FALSE(StartProgram("sh", {"-c", "true"}, "/no/such/folder", true).started);
    EXPECT_EQ(FindProgram("no-such-program-kb"), "");
    EXPECT_NE(FindProgram("sh"), "");
    EXPECT_TRUE(StartProgram("true", {}, "", false).started);
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
        EXPECT_EQ(files.resources, dir.Path() + "/" + c.resources) << c.layout;
        EXPECT_EQ(files.helpers, dir.Path() + "/" + c.helpers) << c.layout;
    }
}

}  // namespace
}  // namespace kb
