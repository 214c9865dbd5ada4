#include "foundation/each_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "foundation/files.h"
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

// A tree whose names differ in case from the names asked for, as a workspace copied from
// Windows has them.
TEST(FolderListings, FindNamesWhateverTheirCase) {
    test::TempFolder dir;
    const std::string base = dir / "ws";
    for (const char* file :
         {"ws/MeasurePictures/Women/Bust_Pic.JPG", "ws/MeasurePictures/Women/hip.jpg",
          "ws/Twins/Front.jpg", "ws/Twins/front.JPG", "ws/Twins/FRONT.jpg", "ws/Both/coat",
          "ws/Both/Coat/inner.txt", "ws/Caf\xc3\xa9/x.txt", "outside/Top.txt"}) {
        WriteTextFile(dir / file, "x");
    }
    fs::create_symlink(dir / "ws/Twins/Front.jpg", dir / "ws/Twins/link.jpg");
    fs::create_symlink(dir / "nowhere", dir / "ws/Twins/dangling.jpg");
    const struct {
        std::string asked;
        std::string found;  // relative to dir; "" none
    } cases[] = {
        {"ws/measurepictures/women/bust_pic.jpg", "ws/MeasurePictures/Women/Bust_Pic.JPG"},
        {"ws/MeasurePictures/WOMEN/HIP.JPG", "ws/MeasurePictures/Women/hip.jpg"},
        {"ws/MeasurePictures/Women", ""},              // a folder is no file
        {"ws/twins/front.JPG", "ws/Twins/front.JPG"},  // the exact name wins
        {"ws/twins/Front.JPG", "ws/Twins/FRONT.jpg"},  // else the first in byte order
        {"ws/Twins/LINK.jpg", "ws/Twins/link.jpg"},    // links followed
        {"ws/Twins/dangling.jpg", ""},
        {"ws/both/COAT", "ws/Both/coat"},  // the file, not the folder Coat
        {"ws/both/coat/INNER.TXT", "ws/Both/Coat/inner.txt"},
        {"ws/CAF\xc3\x89/X.TXT", "ws/Caf\xc3\xa9/x.txt"},
        {"ws/none/x.txt", ""},
        {"outside/Top.txt", "outside/Top.txt"},  // outside the base: literally
        {"outside/top.txt", ""},
    };
    FolderListings listings(base + "/");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.asked);
        EXPECT_EQ(listings.FindFile(dir / c.asked), c.found.empty() ? "" : dir / c.found);
    }
    ASSERT_NE(listings.Folder(base + "/measurePICTURES/women/"), nullptr);
    EXPECT_EQ(listings.Folder(base + "/measurePICTURES/women/"),
              listings.Folder(base + "/MeasurePictures/Women"));  // one listing per folder
    EXPECT_EQ(listings.Folder(base + "/MeasurePictures/Men"), nullptr);
}

}  // namespace
}  // namespace kb
