#include <gtest/gtest.h>

#include <filesystem>

#include "foundation/errors.h"
#include "foundation/files.h"
#include "tests/support/temp_workspace.h"
#include "tests/support/test_paths.h"
#include "workspace/safe_paths.h"
#include "workspace/workspace_paths.h"

namespace kb::test {
namespace {

namespace fs = std::filesystem;

class SafePaths : public TempWorkspace {
  protected:
    void SetUp() override {
        TempWorkspace::SetUp();
        Write("Designers/Anna/Coats/Trench.mac");
        Write("Installations/Anna/Coats/Coats.iss");
        outside = documents + Native("/outside");
        fs::create_directories(FsPath(outside + Native("/Coats")));
    }
    // Replaces the workspace entry relative by a link to the folder outside (or to a file there);
    // false where this system makes no links.
    bool LinkOutside(const std::string& relative, bool toFile) {
        fs::remove_all(FsPath(At(relative)));
        fs::create_directories(FsPath(At(relative)).parent_path());
        if (!toFile)
            return MakeLink(outside, At(relative), true);
        Write("../../outside/file.mac");
        return MakeLink(outside + "/file.mac", At(relative), false);
    }
    std::string outside;
};

TEST_F(SafePaths, TheFirstLinkBelowTheRootIsNamed) {
    const struct {
        const char* link;  // replaced by a link to outside
        bool toFile;
        const char* path;      // asked about
        const char* expected;  // the part named, "" for a safe path
    } cases[] = {
        {"Designers/Anna", false, "Designers/Anna", "Designers/Anna"},
        {"Designers/Anna", false, "Designers/Anna/Coats", "Designers/Anna"},
        {"Designers/Anna", false, "Designers/Anna/Coats/Trench.mac", "Designers/Anna"},
        {"Installations/Anna", false, "Installations/Anna/Coats", "Installations/Anna"},
        {"Installations/Anna", false, "Installations/Anna", "Installations/Anna"},
        {"Installations/Anna", false, "Designers/Anna/Coats", ""},
        {"Designers/Anna/Coats", false, "Designers/Anna/Coats", "Designers/Anna/Coats"},
        {"Designers/Anna/Coats", false, "Designers/Anna/Coats/Trench.mac", "Designers/Anna/Coats"},
        {"Designers/Anna/Coats", false, "Designers/Anna", ""},
        {"Designers", false, "Designers/Anna/Coats", "Designers"},
        {"Designers/Anna/Coats/Trench.mac", true, "Designers/Anna/Coats/Trench.mac",
         "Designers/Anna/Coats/Trench.mac"},
        {"Designers/Anna/Coats/Trench.mac", true, "Designers/Anna/Coats/Trench.txt", ""},
        {"Designers/Anna/Coats/Deep/Deeper", false, "Designers/Anna/Coats/Deep/Deeper/x/y.mac",
         "Designers/Anna/Coats/Deep/Deeper"},
    };
    for (const auto& c : cases) {
        TearDown();  // a fresh workspace for each case
        SetUp();
        if (!LinkOutside(c.link, c.toFile))
            GTEST_SKIP() << "this system makes no links";
        std::optional<UnsafePart> unsafe = UnsafePartBelowRoot(At(c.path));
        if (*c.expected == '\0') {
            EXPECT_FALSE(unsafe) << c.link << " " << c.path;
        } else {
            ASSERT_TRUE(unsafe) << c.link << " " << c.path;
            EXPECT_EQ(unsafe->path, At(c.expected)) << c.link << " " << c.path;
            EXPECT_TRUE(unsafe->link) << c.link << " " << c.path;
        }
    }
}

TEST_F(SafePaths, PathsThatLeaveTheRootAreRefusedAndPlainOnesAllowed) {
    const bool links = MakeLink(At("Designers/Anna"), At("Designers/Same"), true) &&
                       MakeLink(At("nowhere"), At("Designers/Dangling"), false);
    const std::string rootless = WorkspaceRoot(false);
    const struct {
        std::string path;
        bool safe;
        bool link;
    } cases[] = {
        {At("Designers/Anna/Coats/Trench.mac"), true, false},
        {At("Designers/Anna/Coats/"), true, false},
        {At("Designers/Cara/New/Folder"), true, false},  // missing parts cannot be links
        {At("Designers/Same"), false, true},  // a link is refused even when it stays inside
        {At("Designers/Dangling"), false, true},
        {rootless, false, false},
        {root, false, false},
        {rootless + "2/Designers/Anna", false, false},
        {documents + "/outside", false, false},
        {At("Designers/../../outside"), false, false},
        {At("Designers/./Anna"), false, false},
        {"Designers/Anna", false, false},
        {"", false, false},
    };
    for (const auto& c : cases) {
        if (c.link && !links)
            continue;  // this system makes no links
        std::optional<UnsafePart> unsafe = UnsafePartBelowRoot(c.path);
        EXPECT_EQ(!unsafe, c.safe) << c.path;
        if (unsafe) {
            EXPECT_EQ(unsafe->link, c.link) << c.path;
        }
    }
}

TEST_F(SafePaths, TheRefusalNamesTheLink) {
    try {
        RequireSafeWorkspacePath(outside);
        FAIL() << "no refusal";
    } catch (const FileError& error) {
        EXPECT_NE(std::string(error.what()).find("\"" + outside + "\" does not lie inside"),
                  std::string::npos)
            << error.what();
    }
    if (!LinkOutside("Installations/Anna", false))
        GTEST_SKIP() << "this system makes no links";
    EXPECT_NO_THROW(RequireSafeWorkspacePath(At("Designers/Anna")));
    try {
        RequireSafeWorkspacePath(At("Installations/Anna/Coats"));
        FAIL() << "no refusal";
    } catch (const FileError& error) {
        EXPECT_NE(std::string(error.what()).find("\"" + At("Installations/Anna") + "\" is a "),
                  std::string::npos)
            << error.what();
    }
}

}  // namespace
}  // namespace kb::test
