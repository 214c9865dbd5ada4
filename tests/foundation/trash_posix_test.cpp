// The freedesktop trash: a round trip through a trash of the test's own, and a trash that cannot
// be made, which must leave the file where it was (the toolkit would move it into the working
// folder instead).
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>

#include "foundation/errors.h"
#include "foundation/files.h"
#include "foundation/trash.h"
#include "tests/support/temp_folder.h"

namespace kb {
namespace {

namespace fs = std::filesystem;

class TrashTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : {"HOME", "XDG_DATA_HOME"}) {
            const char* value = ::getenv(name);
            saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
        }
        ::setenv("HOME", folder_.Path().c_str(), 1);
        // Deeper than what exists: the trash and the folders above it are made.
        ::setenv("XDG_DATA_HOME", (folder_.Path() + "/data/share").c_str(), 1);
        work_ = fs::current_path();
        fs::create_directory(folder_.Path() + "/cwd");
        fs::current_path(folder_.Path() + "/cwd");
    }
    void TearDown() override {
        fs::current_path(work_);
        for (const auto& [name, value] : saved_) {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
    }
    std::string At(const std::string& relative) const { return folder_.Path() + "/" + relative; }

    test::TempFolder folder_;
    fs::path work_;
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(TrashTest, AFileAndAFolderGoToTheTrashAndComeBack) {
    const std::string trash = At("data/share/Trash");
    for (const std::string& item : {std::string("Coats/Coat.mac"), std::string("Coats")}) {
        WriteTextFile(At("Coats/Coat.mac"), "coat");
        ASSERT_TRUE(TrashAvailable(At("Coats")));
        const TrashedFile trashed = MoveToTrash(At(item));
        EXPECT_FALSE(fs::exists(At(item))) << item;
        EXPECT_EQ(fs::path(trashed.inTrash).parent_path(), fs::path(trash + "/files")) << item;
        const std::string record =
            trash + "/info/" + fs::path(trashed.inTrash).filename().string() + ".trashinfo";
        EXPECT_TRUE(fs::exists(record)) << item;

        WriteTextFile(At(item == "Coats" ? "Coats/new.txt" : item), "new");
        EXPECT_THROW(RestoreFromTrash(trashed), FileError) << item;  // never overwrites
        fs::remove_all(At(item));
        RestoreFromTrash(trashed);
        EXPECT_EQ(ReadTextFile(At("Coats/Coat.mac")), "coat") << item;
        EXPECT_FALSE(fs::exists(trashed.inTrash)) << item;
        EXPECT_FALSE(fs::exists(record)) << item;
        fs::remove_all(At("Coats"));
    }
}

TEST_F(TrashTest, WithoutATrashTheFileStaysWhereItWas) {
    WriteTextFile(At("data"), "a file where the data folder should be");
    WriteTextFile(At("Coats/Coat.mac"), "coat");
    EXPECT_FALSE(TrashAvailable(At("Coats")));
    EXPECT_THROW(MoveToTrash(At("Coats/Coat.mac")), FileError);
    EXPECT_EQ(ReadTextFile(At("Coats/Coat.mac")), "coat");
    EXPECT_TRUE(fs::is_empty(At("cwd")));
}

// A data folder named relatively is no trash for the toolkit: it falls back to the working
// folder, and that move is undone.
TEST_F(TrashTest, AMoveOutsideTheTrashIsUndone) {
    ::setenv("XDG_DATA_HOME", "relative/share", 1);
    WriteTextFile(At("Coats/Coat.mac"), "coat");
    try {
        const TrashedFile trashed = MoveToTrash(At("Coats/Coat.mac"));
        EXPECT_TRUE(fs::path(trashed.inTrash).is_absolute()) << trashed.inTrash;
        EXPECT_EQ(trashed.inTrash.rfind(folder_.Path() + "/", 0), 0u) << trashed.inTrash;
    } catch (const FileError& error) {
        EXPECT_NE(std::string(error.what()).find("Coat.mac"), std::string::npos);
        EXPECT_EQ(ReadTextFile(At("Coats/Coat.mac")), "coat");
    }
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(At("cwd")))
        EXPECT_FALSE(entry.is_regular_file()) << entry.path();
}

}  // namespace
}  // namespace kb
