#include "foundation/each_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "foundation/files.h"
#include "foundation/paths.h"
#include "tests/support/temp_folder.h"

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
        // Windows makes links only for some users: the link cases count where links exist.
        std::error_code ec;
        fs::create_directory_symlink(FsPath(dir / "sub"), FsPath(dir / "sublink"), ec);
        fs::create_symlink(FsPath(dir / "nowhere"), FsPath(dir / "dangling"), ec);
        links = !ec;
    }
    // The names expected, without the links where none could be made.
    std::vector<std::string> Expected(std::vector<std::string> names) const {
        if (!links)
            std::erase_if(names, [](const std::string& name) {
                return name == "sublink" || name == "dangling";
            });
        return names;
    }
    test::TempFolder dir;
    bool links = false;
};

TEST_F(EachFileTest, FilesAndFoldersOfOneFolderOnly) {
    EachFile files(dir.Path());
    EXPECT_EQ(Sorted(Collect(files)), Expected({".hidden", "a.mac", "b.txt", "dangling"}));
    EachDirectory folders(dir.Path());
    EXPECT_EQ(Sorted(Collect(folders)), Expected({"sub", "sublink"}));
}

TEST_F(EachFileTest, CurrentPathIsTheFullPath) {
    EachDirectory folders(dir.Path() + "/./");
    folders.Begin();
    ASSERT_FALSE(folders.Next());
    EXPECT_EQ(folders.CurrentPath(), NormalizePath(dir.Path() + "/" + folders.Current()));
    EachFileDir raw(dir.Path());
    ASSERT_FALSE(raw.Next());
    EXPECT_EQ(raw.Current(), NormalizePath(dir.Path() + "/" + raw.Name()));
}

TEST_F(EachFileTest, SnapshotSurvivesDeletionAndBeginStartsOver) {
    EachFile files(dir.Path());
    std::vector<std::string> seen;
    files.ForEach([&](const std::string& name) {
        DeleteFile(dir / name);
        seen.push_back(name);
    });
    EXPECT_EQ(seen.size(), links ? 4u : 3u);
    EXPECT_FALSE(FileExists(dir / "a.mac"));
    files.Begin();
    EXPECT_EQ(Collect(files).size(), seen.size());
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
