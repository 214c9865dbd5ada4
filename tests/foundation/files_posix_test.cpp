// File semantics of POSIX systems: permissions, symbolic links, resource limits and inodes.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fcntl.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <thread>

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

// A pipe, device or socket is never opened for reading: a pipe nobody writes to would keep the
// reader waiting for ever.
TEST_F(PosixFiles, ReadingAPipeIsRefusedAtOnce) {
    const std::string pipe = dir / "Coat.mac";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    auto read = std::async(std::launch::async, [&] {
        try {
            ReadTextFile(pipe);
            return std::string("read");
        } catch (const FileError& error) {
            return std::string(error.what());
        }
    });
    if (read.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        ::close(::open(pipe.c_str(), O_WRONLY | O_NONBLOCK));  // lets the reader go on
        FAIL() << "reading the pipe waited for a writer";
    }
    const std::string answer = read.get();
    EXPECT_NE(answer.find("not a regular file"), std::string::npos) << answer;
    EXPECT_NE(answer.find(pipe), std::string::npos) << answer;
}

// A copy below two folders reads and writes nothing through a link on the way, made by whom
// ever: each such copy is refused naming the link, and what lies behind it stays as it was.
TEST_F(PosixFiles, CopyBelowRefusesEveryLinkOnTheWay) {
    const std::string from = dir / "Patterns";
    const std::string to = dir / "Designers/Anna/Coats";
    Write("Patterns/Front.jpg", "front");
    Write("Patterns/sub/Back.jpg", "back");
    Write("Designers/Anna/Anna.jpg", "Anna's own");
    Write("Outside/Front.jpg", "outside");
    fs::create_directories(to);
    fs::create_symlink("..", to + "/up");
    fs::create_symlink(dir / "Outside", to + "/away");
    fs::create_symlink(dir / "Outside", from + "/out");
    fs::create_symlink(dir / "Outside/Front.jpg", from + "/Linked.jpg");
    const struct {
        std::string source, target, link;
    } cases[] = {
        {from + "/Front.jpg", to + "/up/Anna.jpg", to + "/up"},
        {from + "/Front.jpg", to + "/away/Front.jpg", to + "/away"},
        {from + "/out/Front.jpg", to + "/Front.jpg", from + "/out"},
        {from + "/Linked.jpg", to + "/Linked.jpg", from + "/Linked.jpg"},
    };
    for (const auto& c : cases) {
        try {
            CopyFileBelow(from, c.source, to, c.target);
            ADD_FAILURE() << c.source << " -> " << c.target << " was copied";
        } catch (const FileError& error) {
            EXPECT_NE(std::string(error.what()).find("\"" + c.link + "\" is a symbolic link"),
                      std::string::npos)
                << error.what();
        }
    }
    EXPECT_EQ(ReadTextFile(dir / "Designers/Anna/Anna.jpg"), "Anna's own");
    EXPECT_EQ(ReadTextFile(dir / "Outside/Front.jpg"), "outside");
    EXPECT_FALSE(fs::exists(to + "/Front.jpg"));
    EXPECT_FALSE(fs::exists(to + "/Linked.jpg"));
    // Without links the copy goes through, making the folders it needs.
    CopyFileBelow(from, from + "/sub/Back.jpg", to, to + "/new/Back.jpg");
    EXPECT_EQ(ReadTextFile(to + "/new/Back.jpg"), "back");
}

// A folder that becomes a link while the tree is deleted is removed as a link: nothing behind it
// is deleted. Another thread swaps the folder being emptied for a link to a folder outside that
// holds the same names, as soon as the first of its files is gone.
TEST_F(PosixFiles, DeletingATreeNeverFollowsAFolderSwappedForALink) {
    const std::string tree = dir / "tree";
    const std::string outside = dir / "outside";
    constexpr int kFiles = 2000;
    for (const std::string& folder : {tree + "/a", outside}) {
        fs::create_directories(folder);
        for (int i = 0; i < kFiles; ++i)
            std::ofstream(folder + "/f" + std::to_string(i)) << "precious";
    }
    struct stat before {};
    ASSERT_EQ(::stat((tree + "/a").c_str(), &before), 0);
    std::atomic<bool> swapped{false};
    std::thread swapper([&] {
        const std::string folder = tree + "/a";
        for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
             std::chrono::steady_clock::now() < end;) {
            struct stat now {};
            if (::stat(folder.c_str(), &now) != 0)
                return;
            if (now.st_mtim.tv_sec == before.st_mtim.tv_sec &&
                now.st_mtim.tv_nsec == before.st_mtim.tv_nsec)
                continue;
            swapped = ::rename(folder.c_str(), (tree + "/a.real").c_str()) == 0 &&
                      ::symlink(outside.c_str(), folder.c_str()) == 0;
            return;
        }
    });
    DeleteFolderTree(tree);
    swapper.join();
    ASSERT_TRUE(swapped) << "the folder was not swapped while it was emptied";
    int kept = 0;
    for (int i = 0; i < kFiles; ++i)
        kept += fs::exists(outside + "/f" + std::to_string(i)) ? 1 : 0;
    EXPECT_EQ(kept, kFiles);
}

}  // namespace
}  // namespace kb
