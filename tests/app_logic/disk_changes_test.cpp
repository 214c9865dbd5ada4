// Files that change under the window: the lists and the panel follow, the check's result is
// marked stale only by a change that could alter it, and dropped files are taken as chosen ones.
#include <algorithm>
#include <functional>

#include "foundation/files.h"
#include "tests/app_logic/main_form_fixture.h"
#include "tools/sample_workspace/sample_workspace.h"

namespace kb::test {
namespace {

class DiskChangesTest : public MainFormTest {
  protected:
    void StartOnSample() {
        MakeSampleWorkspace(documents);
        Start();
    }
    bool Listed(const std::string& garment) {
        const auto& entries = Model().MacroList.entries;
        return std::find(entries.begin(), entries.end(), garment) != entries.end();
    }
};

TEST_F(DiskChangesTest, OnlyChangesTheCheckDependsOnMakeItStale) {
    const std::string coats = "Designers/Anna/Coats/";
    const struct {
        const char* change;
        std::function<void()> apply;
        bool stale;
    } cases[] = {
        {"missing picture made", [&] { Write(coats + kSampleMissingFile, "jpg"); }, true},
        {"macro rewritten",
         [&] {
             Write(coats + "Trench.mac", "measure_table(\"Men\");\nadd_pict_item(1, \"x.jpg\");\n");
         },
         true},
        {"macro added", [&] { Write(coats + "Cape.mac", ""); }, true},
        {"table rewritten",
         [this] { Write(std::string("MeasureTables/") + kSampleTable + ".mmt", "Women\tcm\t1\n"); },
         true},
        {"garment removed by the window",
         [this] {
             Model().MacroList.selected = 0;
             ui.answers = {MessageAnswer::Yes};
             Form().DeleteMacroButtonClick();
         },
         true},
        {"description retyped", [&] { Write(coats + "Trench.txt", "Another text, longer."); },
         false},
        {"designer's picture deleted", [this] { DeleteFile(At("Designers/Anna/Anna.jpg")); }, true},
        {"other collection changed", [this] { Write("Designers/Anna/Dresses/Wrap.jpg", "jpg"); },
         false},
        {"nothing changed", [] {}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.change);
        TearDown();
        SetUp();
        StartOnSample();
        GoTo(Tab::Create);
        RunCheck();
        ASSERT_FALSE(Model().MissingFilesChecked.visible);
        c.apply();
        Form().CheckIfStale();
        EXPECT_EQ(Model().MissingFilesChecked.visible, c.stale);
        EXPECT_EQ(Model().ScanMeasureWarning.visible, c.stale);
    }
}

TEST_F(DiskChangesTest, TheWatchedFoldersFollowTheSelection) {
    StartOnSample();
    const std::vector<std::string> folders = Form().WatchedFolders();
    for (const char* folder :
         {"Designers", "Designers/Anna", "Designers/Anna/Coats", "MeasureTables"}) {
        EXPECT_NE(std::find(folders.begin(), folders.end(), At(folder)), folders.end()) << folder;
    }
    TypeCollection(kSampleSecondCollection);
    const std::vector<std::string> after = Form().WatchedFolders();
    EXPECT_EQ(std::find(after.begin(), after.end(), At("Designers/Anna/Coats")), after.end());
    EXPECT_NE(std::find(after.begin(), after.end(), At("Designers/Anna/Dresses")), after.end());
}

TEST_F(DiskChangesTest, ListsAndPanelFollowTheDiskAndKeepTheChoice) {
    StartOnSample();
    GoTo(Tab::Garment);
    Model().MacroList.selected = 1;
    const std::string chosen = Model().MacroList.SelectedText();
    Form().MacroListClick();
    Write("Designers/Anna/Coats/Cape.mac", "");
    Write("Designers/Anna/Coats/" + chosen + ".txt", "Changed by another program.");
    MakeFolder("Designers/Bert");
    Form().FilesChangedOnDisk();
    EXPECT_TRUE(Listed("Cape"));
    EXPECT_EQ(Model().MacroList.SelectedText(), chosen);
    EXPECT_EQ(Model().FileText.text, "Changed by another program.");
    EXPECT_EQ(Model().DesignerCombo.entries.size(), 2u);
    EXPECT_EQ(Model().DesignerCombo.text, kSampleDesigner);

    // The chosen garment deleted elsewhere: nothing is chosen.
    DeleteFile(At("Designers/Anna/Coats/" + chosen + ".mac"));
    Form().FilesChangedOnDisk();
    EXPECT_FALSE(Listed(chosen));
    EXPECT_FALSE(Model().MacroList.HasSelection());
    EXPECT_FALSE(Model().DeleteMacroButton.enabled);
}

TEST_F(DiskChangesTest, DroppedFilesAreTakenAsChosenOnes) {
    StartOnSample();
    GoTo(Tab::Garment);
    const std::string cape = At("Designers/Cape.mac");
    const std::string skirt = At("Patterns/Skirt.mac");
    const struct {
        std::vector<std::string> files;
        bool accepted;
    } drops[] = {
        {{cape, skirt}, true},
        {{}, false},
        {{cape, At("Designers/Anna/Anna.txt")}, false},
        {{At("Designers/Nothing.mac")}, false},
    };
    for (const auto& drop : drops)
        EXPECT_EQ(Form().AcceptsGarmentDrop(drop.files), drop.accepted);
    Form().DropGarments({cape, skirt});
    EXPECT_TRUE(Listed("Cape"));
    EXPECT_TRUE(Listed("Skirt"));
    EXPECT_TRUE(Exists("Designers/Anna/Coats/Skirt.mac"));
    EXPECT_TRUE(ui.choosers.empty());
    // A refused drop adds nothing.
    Form().DropGarments({At("Designers/Anna/Anna.txt")});
    EXPECT_FALSE(Listed("Anna"));

    // On the panel: a picture or a text for the chosen garment, nothing on the Create tab.
    Model().MacroList.selected = 0;
    Form().MacroListClick();
    const std::string garment = Model().MacroList.SelectedText();
    const std::string picture = At("Designers/Anna/Anna.jpg");
    EXPECT_FALSE(Form().AcceptsPanelDrop(cape));
    EXPECT_TRUE(Form().AcceptsPanelDrop(picture));
    Form().DropOnPanel(picture);
    EXPECT_TRUE(SameFileContents(picture, At("Designers/Anna/Coats/" + garment + ".jpg")));
    Form().DropOnPanel(At("Designers/Anna/Anna.txt"));
    EXPECT_EQ(Read("Designers/Anna/Coats/" + garment + ".txt"), Read("Designers/Anna/Anna.txt"));
    EXPECT_TRUE(ui.choosers.empty());
    GoTo(Tab::Create);
    EXPECT_FALSE(Form().AcceptsPanelDrop(picture));
    // A drop leaves the next chooser to the person.
    GoTo(Tab::Garment);
    Form().NewMacroButtonClick();
    EXPECT_EQ(ui.choosers.size(), 1u);
}

}  // namespace
}  // namespace kb::test
