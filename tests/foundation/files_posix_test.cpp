// File semantics of POSIX systems: permissions, symbolic links, resource limits and inodes.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "foundation/each_file.h"
#include "foundation/errors.h"
#include "foundation/files.h"
#include "tests/support/temp_folder.h"

namespace kb {
namespace {

namespace fs = std::filesystem;

class PosixFiles : public testing::Test {
  protected:
    void Write(const std::string& name, const std::string& text) {
        ASSERT_TRUE(WriteTextFile(dir / name, text));
    }
    size_t EntryCount(const std::string& folder) {
        size_t count = 0;
        for (const auto& entry : fs::directory_iterator(folder)) {
            (void)entry;
            ++count;
        }
        return count;
    }
    test::TempFolder dir;
};

TEST_F(PosixFiles, WriteReplacesAndKeepsTheFileMode) {
    Write("f.txt", "old");
    ::chmod((dir / "f.txt").c_str(), 0640);
    Write("f.txt", "new");
    EXPECT_EQ(ReadTextFile(dir / "f.txt"), "new");
    EXPECT_EQ(fs::status(dir / "f.txt").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(EntryCount(dir.Path()), 1u);  // no temporary file left
}

TEST_F(PosixFiles, WriteThroughALinkReplacesItsTarget) {
    Write("real.txt", "old");
    fs::create_symlink(dir / "real.txt", dir / "link.txt");
    Write("link.txt", "new");
    EXPECT_TRUE(fs::is_symlink(dir / "link.txt"));
    EXPECT_EQ(ReadTextFile(dir / "real.txt"), "new");
}

// A copy never writes through a link at its target, wherever the link points (also to the
// source itself): the link is replaced by the copied file.
TEST_F(PosixFiles, CopyOntoALinkReplacesTheLinkOnly) {
    Write("outside/real.txt", "precious");
    Write("source.txt", "copied");
    const struct {
        const char* link;
        fs::path pointsTo;
    } cases[] = {{"to_outside.txt", dir / "outside/real.txt"},
                 {"to_source.txt", dir / "source.txt"},
                 {"dangling.txt", dir / "nowhere.txt"}};
    for (const auto& c : cases) {
        fs::create_symlink(c.pointsTo, dir / c.link);
        CopyFile(dir / "source.txt", dir / c.link, true);
        EXPECT_FALSE(fs::is_symlink(dir / c.link)) << c.link;
        EXPECT_EQ(ReadTextFile(dir / c.link), "copied") << c.link;
    }
    EXPECT_EQ(ReadTextFile(dir / "outside/real.txt"), "precious");
    EXPECT_EQ(ReadTextFile(dir / "source.txt"), "copied");
    EXPECT_FALSE(fs::exists(dir / "nowhere.txt"));
}

// A write that fails half-way (here: the file size limit, as on a full disk) leaves the old
// content whole and no temporary file behind.
TEST_F(PosixFiles, FailedWriteKeepsTheOldContent) {
    Write("keep.txt", "precious");
    struct rlimit old {};
    ::getrlimit(RLIMIT_FSIZE, &old);
    auto handler = ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 1024;
    ::setrlimit(RLIMIT_FSIZE, &small);
    bool raised = false;
    try {
        WriteTextFile(dir / "keep.txt", std::string(100000, 'x'));
    } catch (const FileError& e) {
        raised = std::string(e.what()).find("keep.txt") != std::string::npos;
    }
    ::setrlimit(RLIMIT_FSIZE, &old);
    ::signal(SIGXFSZ, handler);
    EXPECT_TRUE(raised);
    EXPECT_EQ(ReadTextFile(dir / "keep.txt"), "precious");
    EXPECT_EQ(EntryCount(dir.Path()), 1u);
}

TEST_F(PosixFiles, DeleteFolderTreeRemovesLinksButNeverWhatTheyPointTo) {
    Write("outside/keep.txt", "keep");
    Write("outside/sub/deep.txt", "deep");
    Write("tree/a.txt", "a");
    Write("tree/sub/b.txt", "b");
    fs::create_directory_symlink(dir / "outside", dir / "tree/sub/folderlink");
    fs::create_symlink(dir / "outside/keep.txt", dir / "tree/filelink");
    fs::create_symlink(dir / "nowhere", dir / "tree/dangling");
    EXPECT_TRUE(DeleteFolderTree(dir / "tree"));
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "tree")));
    EXPECT_EQ(ReadTextFile(dir / "outside/keep.txt"), "keep");
    EXPECT_EQ(ReadTextFile(dir / "outside/sub/deep.txt"), "deep");
    EXPECT_TRUE(DeleteFolderTree(dir / "tree"));  // missing: nothing to do
}

TEST_F(PosixFiles, DeleteFolderTreeOnALinkRemovesTheLinkOnly) {
    Write("target/keep.txt", "keep");
    fs::create_directory_symlink(dir / "target", dir / "link");
    EXPECT_TRUE(DeleteFolderTree(dir / "link"));
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "link")));
    EXPECT_EQ(ReadTextFile(dir / "target/keep.txt"), "keep");
}

TEST_F(PosixFiles, MoveFolderRenamesOrMergesIntoAnExistingTarget) {
    Write("src/a.txt", "a");
    Write("src/sub/b.txt", "b");
    struct stat before {};
    ::stat((dir / "src").c_str(), &before);
    MoveFolder(dir / "src", dir / "new/place");
    struct stat after {};
    ::stat((dir / "new/place").c_str(), &after);
    EXPECT_EQ(before.st_ino, after.st_ino);  // one rename on the same file system
    EXPECT_FALSE(FolderExists(dir / "src"));
    EXPECT_EQ(ReadTextFile(dir / "new/place/sub/b.txt"), "b");

    Write("other/c.txt", "c");
    MoveFolder(dir / "other", dir / "new/place");
    EXPECT_FALSE(FolderExists(dir / "other"));
    EXPECT_EQ(ReadTextFile(dir / "new/place/c.txt"), "c");
    EXPECT_EQ(ReadTextFile(dir / "new/place/a.txt"), "a");
}

}  // namespace
}  // namespace kb
