#include "foundation/files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "foundation/each_file.h"
#include "foundation/errors.h"
#include "tests/support/temp_folder.h"

namespace kb {
namespace {

namespace fs = std::filesystem;

class Files : public testing::Test {
  protected:
    void Write(const std::string& name, const std::string& text) {
        ASSERT_TRUE(WriteTextFile(dir / name, text));
    }
    test::TempFolder dir;
};

TEST_F(Files, WriteMakesFoldersAndReadGivesBytesBack) {
    std::string bytes = std::string("\xef\xbb\xbfline1\r\nline2\0tail", 20);
    Write("a/b/c.txt", bytes);
    EXPECT_EQ(ReadTextFile(dir / "a/b/c.txt"), bytes);
    EXPECT_TRUE(FileExists(dir / "a/b/c.txt"));
    EXPECT_FALSE(FileExists(dir / "a/b"));
    EXPECT_TRUE(FolderExists(dir / "a/b"));
    EXPECT_EQ(ReadTextFile(dir / "missing.txt"), "");
    EXPECT_EQ(ReadTextFile(dir / "a"), "");
}

TEST_F(Files, EnsureFolderAndDeleteFile) {
    EXPECT_FALSE(EnsureFolder(""));
    EXPECT_TRUE(EnsureFolder(dir / "x/y/z"));
    EXPECT_TRUE(FolderExists(dir / "x/y/z"));
    Write("file", "f");
    EXPECT_TRUE(EnsureFolder(dir / "file"));  // a file of that name: nothing is made
    EXPECT_TRUE(FileExists(dir / "file"));
    EXPECT_FALSE(DeleteFile(dir / "file"));
    EXPECT_FALSE(DeleteFile(dir / "file"));
    Write("blocker", "f");
    EXPECT_THROW(EnsureFolder(dir / "blocker/sub"), FileError);
}

TEST_F(Files, CopyFileRules) {
    Write("from.txt", "source");
    Write("to.txt", "target");
    CopyFile(dir / "from.txt", dir / "to.txt", false);
    EXPECT_EQ(ReadTextFile(dir / "to.txt"), "target");
    CopyFile(dir / "from.txt", dir / "to.txt", true);
    EXPECT_EQ(ReadTextFile(dir / "to.txt"), "source");
    CopyFile(dir / "from.txt", dir / "from.txt", true);
    EXPECT_EQ(ReadTextFile(dir / "from.txt"), "source");
    // The same file under another name must not be destroyed by the copy.
    CopyFile(dir / "from.txt", dir.Path() + "/./from.txt", true);
    EXPECT_EQ(ReadTextFile(dir / "from.txt"), "source");
    CopyFile(dir / "none.txt", dir / "new.txt", true);
    EXPECT_FALSE(FileExists(dir / "new.txt"));
    CopyFile(dir / "from.txt", dir / "sub/new.txt", false);
    EXPECT_EQ(ReadTextFile(dir / "sub/new.txt"), "source");
}

TEST_F(Files, CopyFolderCopiesTheTreeAndRefusesItself) {
    Write("src/a.txt", "a");
    Write("src/deep/b.txt", "b");
    CopyFolder(dir / "src", dir / "out/copy");
    EXPECT_EQ(ReadTextFile(dir / "out/copy/a.txt"), "a");
    EXPECT_EQ(ReadTextFile(dir / "out/copy/deep/b.txt"), "b");
    EXPECT_THROW(CopyFolder(dir / "src", dir / "src/inner"), FileError);
    EXPECT_THROW(CopyFolder(dir / "nothing", dir / "x"), FileError);
}

TEST(ReadLine, SplitsAtLfAndCrLf) {
    std::istringstream stream("one\r\ntwo\n\nlast");
    std::vector<std::string> lines;
    std::string line;
    while (ReadLine(stream, line))
        lines.push_back(line);
    EXPECT_EQ(lines, (std::vector<std::string>{"one", "two", "", "last"}));
    std::istringstream ending("x\n");
    EXPECT_TRUE(ReadLine(ending, line));
    EXPECT_FALSE(ReadLine(ending, line));
}

}  // namespace
}  // namespace kb
