#include "foundation/each_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "foundation/files.h"
#include "temp_folder.h"

namespace kb {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

template <typename Each>
std::vector<std::string> Collect(Each& each) {
    std::vector<std::string> items;
    each.ForEach([&](const std::string& item) { items.push_back(item); });
    return items;
}

class EachFileTest : public testing::Test {
  protected:
    void SetUp() override {
        WriteTextFile(dir / "a.mac", "a");
        WriteTextFile(dir / "b.txt", "b");
        WriteTextFile(dir / ".hidden", "h");
        WriteTextFile(dir / "sub/inner.txt", "i");
        fs::create_directory_symlink(dir / "sub", dir / "sublink");
        fs::create_symlink(dir / "nowhere", dir / "dangling");
    }
    test::TempFolder dir;
};

TEST_F(EachFileTest, FilesAndFoldersOfOneFolderOnly) {
    EachFile files(dir.Path());
    EXPECT_EQ(Sorted(Collect(files)),
              (std::vector<std::string>{".hidden", "a.mac", "b.txt", "dangling"}));
    EachDirectory folders(dir.Path());
    EXPECT_EQ(Sorted(Collect(folders)), (std::vector<std::string>{"sub", "sublink"}));
}

TEST_F(EachFileTest, CurrentPathIsTheFullPath) {
    EachDirectory folders(dir.Path() + "/./");
    folders.Begin();
    ASSERT_FALSE(folders.Next());
    EXPECT_EQ(folders.CurrentPath(), dir.Path() + "/" + folders.Current());
    EachFileDir raw(dir.Path());
    ASSERT_FALSE(raw.Next());
    EXPECT_EQ(raw.Current(), dir.Path() + "/" + raw.Name());
}

TEST_F(EachFileTest, SnapshotSurvivesDeletionAndBeginStartsOver) {
    EachFile files(dir.Path());
    std::vector<std::string> seen;
    files.ForEach([&](const std::string& name) {
        DeleteFile(dir / name);
        seen.push_back(name);
    });
    EXPECT_EQ(seen.size(), 4u);
    EXPECT_FALSE(FileExists(dir / "a.mac"));
    files.Begin();
    EXPECT_EQ(Collect(files).size(), 4u);
}

TEST(EachFile, MissingFolderYieldsNothing) {
    EachFile files("/no/such/folder");
    EachDirectory folders("/no/such/folder");
    EachFileDir raw("/no/such/folder");
    EXPECT_TRUE(files.Names().empty());
    EXPECT_TRUE(folders.Names().empty());
    EXPECT_TRUE(raw.Next());
    EXPECT_TRUE(EachFile("").Names().empty());
}

}  // namespace
}  // namespace kb
