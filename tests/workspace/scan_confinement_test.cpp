// Names from macro lines and table rows stay below the folder they are read against: a name that
// leads outside, or that no path can hold, is refused with the file and line that gave it, and
// the rest of the scan goes on.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "foundation/files.h"
#include "foundation/paths.h"
#include "tests/support/temp_workspace.h"
#include "tests/support/test_paths.h"
#include "tests/workspace/workspace_scan_fuzz_body.h"
#include "workspace/macro_scan.h"
#include "workspace/workspace_paths.h"

namespace kb::test {
namespace {

class ScanConfinement : public TempWorkspace {
  protected:
    void SetUp() override {
        TempWorkspace::SetUp();
        // A picture and text outside the workspace, where a hostile name would lead.
        secret = Native(documents + "/secret");
        for (const char* extension : {".jpg", ".txt", ".mmt"})
            WriteFileOutside(secret + extension);
        SetCurrentSelection({"Anna", "Coats", DesignersFolder("Anna"),
                             CollectionFolder("Anna", "Coats"), MacroSourceFolder(0)});
    }
    static void WriteFileOutside(const std::string& path) {
        ASSERT_TRUE(WriteTextFile(path, "secret"));
    }

    // The secret as a name climbing from any folder of the workspace to the system's root.
    std::string Climbing() const {
        std::string up;
        for (int i = 0; i < 30; ++i)
            up += "../";
        return up + secret.substr(secret.find_first_not_of("/\\"));
    }

    DirectoryParserList Scan(const std::vector<std::string>& garments) const {
        DirectoryParserList list;
        ScanCollection({CurrentSelectionSnapshot(), garments, {}}, list, true);
        return list;
    }

    // Each refused name as "file line name".
    static std::vector<std::string> Refused(const DirectoryParserList& list) {
        std::vector<std::string> refused;
        for (const RefusedName& r : list.refused)
            refused.push_back(NameOf(r.file) + " " + std::to_string(r.line) + " " + r.name);
        return refused;
    }

    bool Lists(const DirectoryParserList& list, const std::string& relative) const {
        return std::any_of(list.entries.begin(), list.entries.end(),
                           [&](const DirectoryParser& e) { return e.path == At(relative); });
    }

    std::string secret;  // without extension
};

TEST_F(ScanConfinement, NamesLeadingOutsideAreRefusedWithTheirFileAndLine) {
    const std::string climbing = Climbing();
    const std::vector<std::string> lines = {
        "add_pict_item(1, \"" + climbing + "\");",
        "add_picture_input(\"a\", 1, \"" + secret + "\");",
        "add_picture_input(\"a\", 1, \"" + climbing + "\");",
        "add_pict_item(1, \"sub/../Front\");",  // stays inside
        "add_pict_item(1, \"../Coats.jpg\");",  // the collection's own picture, outside it
        "measure_table(\"Leak\");",
        "measure_table(\"" + secret + "\");",  // no such table: listed missing by its name
    };
    std::string macro;
    for (const std::string& line : lines)
        macro += line + "\n";
    Write("Designers/Anna/Coats/Coat.mac", macro);
    Write("Designers/Anna/Coats/Front.jpg");
    Write("MeasureTables/Leak.mmt",
          "Leak\tcm\tx\n"
          "A\t1\tx\t" +
              secret + "\n" +                  // line 2
              "B\t2\tx\t" + climbing + "\n" +  // line 3
              "C\t3\tx\tWomen/../plain\n");    // line 4: inside
    Write("MeasurePictures/plain.jpg");

    const DirectoryParserList list = Scan({"Coat"});
    for (const DirectoryParser& entry : list.entries)
        EXPECT_TRUE(!entry.exists || entry.path.starts_with(root)) << entry.path;
    EXPECT_EQ(Refused(list),
              (std::vector<std::string>{"Coat.mac 1 " + climbing, "Coat.mac 2 " + secret,
                                        "Coat.mac 3 " + climbing, "Coat.mac 5 ../Coats.jpg",
                                        "Leak.mmt 2 " + secret, "Leak.mmt 3 " + climbing}));
    EXPECT_NE(list.refused[0].reason.find("leads outside"), std::string::npos);
    EXPECT_EQ(list.refused[4].tableName, "Leak");
    EXPECT_TRUE(Lists(list, "Designers/Anna/Coats/Front.jpg"));
    EXPECT_TRUE(Lists(list, "MeasurePictures/plain.jpg"));
    EXPECT_EQ(FindMeasurePicture(secret + ".jpg", "Leak"), "");
    // A table's name, which names its picture folder, may not climb out either.
    EXPECT_EQ(FindMeasurePicture("secret.jpg", "../../.."), "");
}

// A name no path can hold (characters Windows refuses, too long) is refused on its own line;
// the lines after it are still read.
TEST_F(ScanConfinement, BadNamesAreRefusedAndTheRestIsScanned) {
    const struct {
        std::string line;
        std::string reason;
    } cases[] = {
        {"add_pict_item(1, \"a|b\");", "Invalid characters in path"},
        {"add_pict_item(1, \"<front>\");", "Invalid characters in path"},
        {"add_picture_input(\"a\", 1, \"x>y\");", "Invalid characters in path"},
        {"add_pict_item(1, \"" + std::string(300, 'p') + "\");", "too long"},
        {"add_picture_input(\"a\", 1, \"" + std::string(300, 'q') + "\");", "too long"},
    };
    std::string macro;
    for (const auto& c : cases)
        macro += c.line + "\n";
    Write("Designers/Anna/Coats/Coat.mac", macro + "add_pict_item(1, \"Front\");\n");
    Write("Designers/Anna/Coats/Front.jpg");

    const DirectoryParserList list = Scan({"Coat"});
    ASSERT_EQ(list.refused.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(list.refused[i].line, static_cast<int>(i + 1));
        EXPECT_NE(RefusedText(list.refused[i]).find(cases[i].reason), std::string::npos)
            << RefusedText(list.refused[i]);
        EXPECT_TRUE(RefusedText(list.refused[i]).starts_with("Coat.mac line "));
    }
    EXPECT_TRUE(Lists(list, "Designers/Anna/Coats/Front.jpg"));
}

// The whole-workspace fuzz target's body holds on each of its seeds.
TEST(WorkspaceScanFuzzBody, HoldsOnItsSeeds) {
    int seeds = 0;
    for (const auto& entry : std::filesystem::directory_iterator(KB_WORKSPACE_SCAN_CORPUS)) {
        std::ifstream stream(entry.path(), std::ios::binary);
        std::ostringstream bytes;
        bytes << stream.rdbuf();
        EXPECT_NO_THROW(FuzzWorkspaceScanOnce(bytes.str())) << entry.path();
        ++seeds;
    }
    EXPECT_GT(seeds, 0);
}

}  // namespace
}  // namespace kb::test
