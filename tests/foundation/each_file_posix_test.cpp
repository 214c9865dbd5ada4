// Case-insensitive lookups on a case-sensitive file system, where names that differ only in
// case can lie side by side, and links.
#include <gtest/gtest.h>

#include <filesystem>

#include "foundation/each_file.h"
#include "foundation/files.h"
#include "tests/support/temp_folder.h"

namespace kb {
namespace {

namespace fs = std::filesystem;

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
