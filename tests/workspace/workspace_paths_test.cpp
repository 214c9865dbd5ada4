#include <gtest/gtest.h>

#include "tests/support/temp_workspace.h"
#include "workspace/directory_parser.h"
#include "workspace/workspace_paths.h"

namespace kb::test {
namespace {

using WorkspacePaths = TempWorkspace;

TEST_F(WorkspacePaths, RootLiesBelowTheDocumentsFolder) {
    EXPECT_EQ(WorkspaceRoot(false), documents + "/Bobbinwright/Personal Files");
    EXPECT_EQ(WorkspaceRoot(true), documents + "/Bobbinwright/Personal Files/");
}

TEST_F(WorkspacePaths, FolderAndItemPaths) {
    const std::string r = documents + "/Bobbinwright/Personal Files/";
    const struct {
        std::string actual;
        std::string expected;
    } cases[] = {
        {RootPath("Installations"), r + "Installations"},
        {RootFolderPath("MeasurePictures"), r + "MeasurePictures/"},
        {RootCombine("MeasurePictures", "Women/../collar"), r + "MeasurePictures/collar"},
        {DesignersFolder(), r + "Designers"},
        {DesignersFolder("Anna"), r + "Designers/Anna"},
        {DesignerFolder("Anna"), r + "Designers/Anna"},
        {DesignerFolder("Anna", "Anna.jpg"), r + "Designers/Anna/Anna.jpg"},
        {DesignerFolder("Anna", "Anna_License.txt"), r + "Designers/Anna/Anna_License.txt"},
        {CollectionFolder("Anna", "Coats"), r + "Designers/Anna/Coats"},
        {CollectionFolder("Anna", "Coats", "Coats.jpg"), r + "Designers/Anna/Coats/Coats.jpg"},
        {MacroSourceFolder(0), r + "Designers"},
        {MacroSourceFolder(1, "Skirt.mac"), r + "Patterns/Skirt.mac"},
        {MacroSourceFolder(7), r + "Patterns"},
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
