#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "foundation/files.h"
#include "tests/support/temp_workspace.h"
#include "workspace/directory_parser.h"
#include "workspace/support_files.h"

namespace kb::test {
namespace {

DirectoryParser Entry(std::string path, std::uint32_t type, bool exists = false) {
    return {exists, std::move(path), type, ""};
}

std::vector<std::string> Describe(const DirectoryParserList& list) {
    std::vector<std::string> described;
    for (const DirectoryParser& e : list.entries) {
        described.push_back(std::to_string(e.type) + " " + e.path + (e.exists ? " +" : " -"));
    }
    return described;
}

TEST(DirectoryParserList, CleanUpOperations) {
    const struct {
        const char* name;
        void (*operation)(DirectoryParserList&);
        std::vector<DirectoryParser> input;
        std::vector<std::string> expected;
    } cases[] = {
        {"duplicates of path and type go, the first stays",
         [](DirectoryParserList& l) { l.RemoveDuplicates(); },
         {Entry("a.jpg", 5), Entry("b.jpg", 5), Entry("a.jpg", 5, true), Entry("a.jpg", 4),
          Entry("A.jpg", 5)},
         {"5 a.jpg -", "5 b.jpg -", "4 a.jpg -", "5 A.jpg -"}},
        {"keep missing",
         [](DirectoryParserList& l) { l.KeepExisting(false); },
         {Entry("a", 1, true), Entry("b", 2), Entry("c", 3, true), Entry("d", 4)},
         {"2 b -", "4 d -"}},
        {"keep found",
         [](DirectoryParserList& l) { l.KeepExisting(true); },
         {Entry("a", 1, true), Entry("b", 2)},
         {"1 a +"}},
        {"keep missing of found only",
         [](DirectoryParserList& l) { l.KeepExisting(false); },
         {Entry("a", 1, true), Entry("b", 2, true)},
         {}},
        {"table files shadow pictures of the same path",
         [](DirectoryParserList& l) { l.RemoveShadowedPictures(); },
         {Entry("t/W.jpg", 1), Entry("t/W.jpg", 0), Entry("p/bust.jpg", 1), Entry("t/W.jpg", 5),
          Entry("t/W.jpg", 1)},
         {"0 t/W.jpg -", "1 p/bust.jpg -", "5 t/W.jpg -"}},
    };
    for (const auto& c : cases) {
        DirectoryParserList list;
        for (const DirectoryParser& e : c.input)
            list.Append(e);
        c.operation(list);
        EXPECT_EQ(Describe(list), c.expected) << c.name;
    }
}

TEST(DirectoryParserList, TableFileNamesLoseCaseDuplicates) {
    DirectoryParserList list;
    for (const char* name : {"Women.mmt", "Men.mmt", "women.MMT", "WOMEN.mmt", "Men.mmt"}) {
        list.mmtFiles.Append(name);
    }
    list.RemoveDuplicateMmtFiles();
    EXPECT_EQ(list.mmtFiles.Texts(), (std::vector<std::string>{"Women.mmt", "Men.mmt"}));
}

using SupportFileOperations = TempWorkspace;

TEST_F(SupportFileOperations, EntriesRecordWhetherTheFileExistedWhenAdded) {
    Write("g/Coat.jpg");
    Write("g/Coat.txt");
    DirectoryParserList list;
    list.AddSupportEntries(At("g/Coat"), GarmentFile, "");
    list.AddEntry(At("g/Coat"), "jpg", GarmentPicture, "T");
    Remove("g/Coat.jpg");
    EXPECT_EQ(Describe(list),
              (std::vector<std::string>{"4 " + At("g/Coat.jpg +"), "4 " + At("g/Coat.pdf -"),
                                        "4 " + At("g/Coat.html -"), "4 " + At("g/Coat.txt +"),
                                        "5 " + At("g/Coat.jpg +")}));
    EXPECT_EQ(list.entries.back().tableName, "T");
    EXPECT_EQ(DisplayText(list.entries[1]), "Coat.pdf");
}

TEST_F(SupportFileOperations, CopyTakesTheSiblingsThatExistAndKeepsOldOnes) {
    Write("src/Coat1.mac", "macro");
    Write("src/Coat1.jpg", "picture");
    Write("src/Coat1.txt", "text");
    Write("dst/Coat1.pdf", "old pdf");
    Write("dst/Coat1.jpg", "old picture");
    CopyWithSupportFiles(At("src/Coat1.mac"), At("dst/Coat1.mac"));
    EXPECT_EQ(ReadTextFile(At("dst/Coat1.mac")), "macro");
    EXPECT_EQ(ReadTextFile(At("dst/Coat1.jpg")), "picture");
    EXPECT_EQ(ReadTextFile(At("dst/Coat1.txt")), "text");
    EXPECT_EQ(ReadTextFile(At("dst/Coat1.pdf")), "old pdf");
    EXPECT_FALSE(FileExists(At("dst/Coat1.html")));
}

TEST_F(SupportFileOperations, CopyWithoutSourceOrTargetDoesNothing) {
    Write("src/Coat1.jpg", "picture");
    CopyWithSupportFiles(At("src/Coat1.mac"), At("dst/Coat1.mac"));
    Write("src/Coat1.mac", "macro");
    CopyWithSupportFiles(At("src/Coat1.mac"), "");
    EXPECT_FALSE(FileExists(At("dst/Coat1.jpg")));
    // A copy onto itself leaves the files intact.
    CopyWithSupportFiles(At("src/Coat1.mac"), At("src/Coat1.mac"));
    EXPECT_EQ(ReadTextFile(At("src/Coat1.jpg")), "picture");
}

// Names that differ in case are the same file, as on Windows: found, overwritten and deleted
// under their names on disk.
TEST_F(SupportFileOperations, NamesDifferingInCaseAreTheSameFile) {
    Write("src/Coat1.mac", "macro");
    Write("src/COAT1.PDF", "pdf");
    Write("src/coat1.Jpg", "picture");
    Write("dst/Coat1.JPG", "old picture");
    CopyWithSupportFiles(At("src/coat1.MAC"), At("dst/Coat1.mac"));
    EXPECT_EQ(ReadTextFile(At("dst/Coat1.mac")), "macro");
    EXPECT_EQ(ReadTextFile(At("dst/Coat1.pdf")), "pdf");
    EXPECT_EQ(ReadTextFile(At("dst/Coat1.JPG")), "picture");
    // No second picture under the name asked for: the folder holds the names on disk only.
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(FsPath(At("dst"))))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Coat1.JPG", "Coat1.mac", "Coat1.pdf"}));
    DeleteWithSupportFiles(At("src/Coat1.mac"));
    for (const char* gone : {"src/Coat1.mac", "src/COAT1.PDF", "src/coat1.Jpg"})
        EXPECT_FALSE(FileExists(At(gone))) << gone;
}

TEST_F(SupportFileOperations, DeleteRemovesTheItemAndItsSupportFilesOnly) {
    for (const char* name : {"c/Coat.mac", "c/Coat.jpg", "c/Coat.html", "c/Coat_front.jpg"}) {
        Write(name);
    }
    DeleteWithSupportFiles(At("c/Coat.mac"));
    EXPECT_FALSE(FileExists(At("c/Coat.mac")));
    EXPECT_FALSE(FileExists(At("c/Coat.jpg")));
    EXPECT_FALSE(FileExists(At("c/Coat.html")));
    EXPECT_TRUE(FileExists(At("c/Coat_front.jpg")));
}

}  // namespace
}  // namespace kb::test
