// What Windows makes hard and every platform must get right: names beyond ASCII, paths longer
// than 260 characters, drive letters and "\" separators, and a file that another handle holds
// open.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "foundation/each_file.h"
#include "foundation/errors.h"
#include "foundation/files.h"
#include "foundation/paths.h"
#include "foundation/platform.h"
#include "tests/support/temp_folder.h"

namespace kb {
namespace {

const bool kWindows = kPathSeparator == '\\';

std::vector<std::string> Sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

class FileNames : public testing::Test {
  protected:
    std::string At(const std::string& name) const { return InFolder(dir.Path(), name); }
    test::TempFolder dir;
};

// Every file service keeps a UTF-8 name as it is: on Windows none of them may go through the
// ANSI code page, where these names have no spelling.
TEST_F(FileNames, NamesBeyondAsciiWorkEverywhere) {
    const std::string folder = At("Mäntel €");
    const std::string file = InFolder(folder, "Ärmel_日本.mac");
    const std::string copy = InFolder(folder, "Кофта ✓.mac");
    ASSERT_TRUE(WriteTextFile(file, "add_pict_item(\"x.jpg\")\r\n"));
    EXPECT_TRUE(FolderExists(folder));
    EXPECT_TRUE(FileExists(file));
    EXPECT_EQ(ReadTextFile(file), "add_pict_item(\"x.jpg\")\r\n");
    CopyFile(file, copy, true);
    EXPECT_TRUE(SameFileContents(file, copy));

    EXPECT_EQ(Sorted(EachFile(folder).Names()), Sorted({"Ärmel_日本.mac", "Кофта ✓.mac"}));
    EXPECT_EQ(EachDirectory(dir.Path()).Names(), std::vector<std::string>{"Mäntel €"});
    FolderListing listing(folder);
    ASSERT_NE(listing.Find("Кофта ✓.mac", false), nullptr);

    std::ifstream stream = OpenForReading(file);
    std::string line;
    ASSERT_TRUE(ReadLine(stream, line));
    EXPECT_EQ(line, "add_pict_item(\"x.jpg\")");
    stream.close();

    EXPECT_EQ(PathText(FsPath(file)), file);
    const std::string moved = At("Mäntel € 2");
    MoveFolder(folder, moved);
    EXPECT_TRUE(FileExists(InFolder(moved, "Кофта ✓.mac")));
    EXPECT_FALSE(FolderExists(folder));
    EXPECT_FALSE(DeleteFile(InFolder(moved, "Кофта ✓.mac")));
    EXPECT_TRUE(DeleteFolderTree(moved));
    EXPECT_FALSE(FolderExists(moved));
}

// Windows limits plain paths to 260 characters; the workspace may hold deeper ones.
TEST_F(FileNames, PathsBeyond260CharactersWork) {
    std::string folder = dir.Path();
    while (folder.size() < 300)
        folder = InFolder(folder, std::string(40, 'f'));
    const std::string file = InFolder(folder, "deep.txt");
    ASSERT_TRUE(EnsureFolder(folder));
    ASSERT_TRUE(WriteTextFile(file, "deep"));
    EXPECT_EQ(ReadTextFile(file), "deep");
    EXPECT_EQ(EachFile(folder).Names(), std::vector<std::string>{"deep.txt"});
    CopyFile(file, file + ".copy", false);
    EXPECT_TRUE(SameFileContents(file, file + ".copy"));
    EXPECT_TRUE(DeleteFolderTree(InFolder(dir.Path(), std::string(40, 'f'))));
    EXPECT_TRUE(EachDirectory(dir.Path()).Names().empty());
}

// Another program holding a file open: POSIX replaces the file under it; Windows refuses
// while the handle lasts, and says why, naming the file. The content is never half-written
// and no temporary file stays behind.
TEST_F(FileNames, AFileHeldOpenIsReplacedOrRefusedWhole) {
    const std::string file = At("held.txt");
    ASSERT_TRUE(WriteTextFile(file, "old"));
    std::ifstream holder = OpenForReading(file);
    ASSERT_TRUE(holder.is_open());
    std::string message;
    try {
        WriteTextFile(file, "new");
    } catch (const FileError& e) {
        message = e.what();
    }
    if (kWindows) {
        EXPECT_NE(message.find(file), std::string::npos) << message;
        EXPECT_NE(message.find("open in another program"), std::string::npos) << message;
        EXPECT_EQ(ReadTextFile(file), "old");
        EXPECT_TRUE(DeleteFile(file));  // still there
    } else {
        EXPECT_EQ(message, "");
        EXPECT_EQ(ReadTextFile(file), "new");
        EXPECT_FALSE(DeleteFile(file));
    }
    std::string held;
    std::getline(holder, held);
    EXPECT_EQ(held, "old");  // the holder reads what it opened
    EXPECT_EQ(EachFile(dir.Path()).Names().size(), kWindows ? 1u : 0u);
}

// Paths that the workspace joins use the platform's separator; case-insensitive lookups below a
// base take "\" and "/" alike.
TEST_F(FileNames, ListingsFindPathsWithEitherSeparator) {
    ASSERT_TRUE(WriteTextFile(At("Designers/Anna/Coat.mac"), "c"));
    FolderListings listings(dir.Path() + "\\");
    for (const char* asked : {"/designers/ANNA/coat.MAC", "\\DESIGNERS\\anna\\COAT.mac"}) {
        const std::string found = listings.FindFile(dir.Path() + asked);
        EXPECT_TRUE(found.ends_with("Designers" + std::string(1, kPathSeparator) + "Anna" +
                                    std::string(1, kPathSeparator) + "Coat.mac"))
            << asked << " gave " << found;
        EXPECT_TRUE(FileExists(found)) << asked;
    }
    EXPECT_EQ(listings.FindFile(dir.Path() + "/Designers/Anna/none.mac"), "");
}

// A read-only file is replaced and deleted as its folder allows, as on POSIX; Windows would
// refuse both because of the file's own read-only attribute. It stays read-only when written.
TEST_F(FileNames, ReadOnlyFilesAreReplacedAndDeleted) {
    namespace fs = std::filesystem;
    const std::string file = At("locked.txt");
    const std::string source = At("source.txt");
    ASSERT_TRUE(WriteTextFile(file, "old"));
    ASSERT_TRUE(WriteTextFile(source, "copied"));
    const auto readOnly = [&] {
        return (fs::status(FsPath(file)).permissions() & fs::perms::owner_write) == fs::perms::none;
    };
    fs::permissions(FsPath(file),
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    ASSERT_TRUE(readOnly());
    ASSERT_TRUE(WriteTextFile(file, "new"));
    EXPECT_EQ(ReadTextFile(file), "new");
    EXPECT_TRUE(readOnly());
    CopyFile(source, file, true);
    EXPECT_EQ(ReadTextFile(file), "copied");
    EXPECT_FALSE(DeleteFile(file));
    EXPECT_EQ(Sorted(EachFile(dir.Path()).Names()), std::vector<std::string>{"source.txt"});
}

// Macros written on Windows name files in the ANSI code page; such a name is no UTF-8 and is
// simply not found, never an error of the lookup.
TEST_F(FileNames, NamesThatAreNoUtf8AreNotFound) {
    const std::string name = At("caf\xe9.jpg");
    EXPECT_FALSE(FileExists(name));
    EXPECT_FALSE(FolderExists(name));
    EXPECT_EQ(ReadTextFile(name), "");
    EXPECT_FALSE(DeleteFile(name));
    EXPECT_TRUE(DeleteFolderTree(name));
    EXPECT_TRUE(EachFile(name).Names().empty());
    EXPECT_EQ(FolderListings(dir.Path()).FindFile(name), "");
    EXPECT_FALSE(StartProgram(kWindows ? "cmd" : "sh", {}, name, true).started);
}

TEST(CurrentFolder, IsAbsoluteAndRelativePathsStartThere) {
    const std::string current = CurrentFolder();
    const bool drive = current.size() >= 3 && current[1] == ':' && current[2] == '\\';
    EXPECT_TRUE(kWindows ? drive : current.starts_with("/")) << current;
    const std::string expected =
        current.ends_with(kPathSeparator) ? current + "sub" : current + kPathSeparator + "sub";
    EXPECT_EQ(NormalizePath("x/../sub"), expected);
    // A path rooted by a separator lies on the current drive on Windows.
    EXPECT_EQ(NormalizePath("/a/b"), kWindows ? current.substr(0, 2) + "\\a\\b" : "/a/b");
    EXPECT_EQ(NormalizePath("D:/a/../b"), "D:\\b");
}

}  // namespace
}  // namespace kb
