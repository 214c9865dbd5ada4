#include "foundation/platform.h"

#include <gtest/gtest.h>

#include "foundation/files.h"
#include "temp_folder.h"

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

}  // namespace
}  // namespace kb
