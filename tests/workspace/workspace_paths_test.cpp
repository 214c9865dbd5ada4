#include <gtest/gtest.h>

#include "tests/support/temp_workspace.h"
#include "tests/support/test_paths.h"
#include "workspace/directory_parser.h"
#include "workspace/workspace_paths.h"

namespace kb::test {
namespace {

using WorkspacePaths = TempWorkspace;

TEST_F(WorkspacePaths, RootLiesBelowTheDocumentsFolder) {
    EXPECT_EQ(WorkspaceRoot(false), documents + Native("/Bobbinwright/Personal Files"));
    EXPECT_EQ(WorkspaceRoot(true), documents + Native("/Bobbinwright/Personal Files/"));
}

TEST_F(WorkspacePaths, FolderAndItemPaths) {
    const std::string r = documents + "/Bobbinwright/Personal Files/";
    const auto at = [&](const std::string& relative) { return Native(r + relative); };
    const struct {
        std::string actual;
        std::string expected;
    } cases[] = {
        {RootPath("Installations"), at("Installations")},
        {RootFolderPath("MeasurePictures"), at("MeasurePictures/")},
        {RootCombine("MeasurePictures", "Women/../collar"), at("MeasurePictures/collar")},
        {DesignersFolder(), at("Designers")},
        {DesignersFolder("Anna"), at("Designers/Anna")},
        {DesignerFolder("Anna"), at("Designers/Anna")},
        {DesignerFolder("Anna", "Anna.jpg"), at("Designers/Anna/Anna.jpg")},
        {DesignerFolder("Anna", "Anna_License.txt"), at("Designers/Anna/Anna_License.txt")},
        {CollectionFolder("Anna", "Coats"), at("Designers/Anna/Coats")},
        {CollectionFolder("Anna", "Coats", "Coats.jpg"), at("Designers/Anna/Coats/Coats.jpg")},
        {MacroSourceFolder(0), at("Designers")},
        {MacroSourceFolder(1, "Skirt.mac"), at("Patterns/Skirt.mac")},
        {MacroSourceFolder(7), at("Patterns")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.actual, c.expected);
}

TEST(InstalledLayout, FolderOfEveryEntryType) {
    const std::string root = "{pf}\\Bobbinwright Software\\Shared\\";
    EXPECT_EQ(InstallRoot(), root);
    const struct {
        std::uint32_t type;
        std::string tableName;
        std::string expected;
    } cases[] = {
        {MeasureTableFile, "Women", root + "MeasureTables"},
        {MeasurePicture, "Women", root + "MeasurePictures\\Women"},
        {MeasurePicture, "", root + "MeasureTables"},
        {DesignerFile, "", root + "Designers\\Anna"},
        {CollectionFile, "", root + "Designers\\Anna\\Coats"},
        {GarmentFile, "", root + "Designers\\Anna\\Coats"},
        {GarmentPicture, "", root + "Designers\\Anna\\Coats"},
        {NoInstall, "", ""},
        {42, "", ""},
    };
    for (const auto& c : cases) {
        DirectoryParser entry{true, "/x/y.jpg", c.type, c.tableName};
        EXPECT_EQ(InstallFolder(entry, "Anna", "Coats"), c.expected) << "type " << c.type;
    }
}

}  // namespace
}  // namespace kb::test
