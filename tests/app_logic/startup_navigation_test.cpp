// Start-up, shutdown, the tab guards and the Next buttons.
#include "foundation/paths.h"
#include "foundation/settings_store.h"
#include "tests/app_logic/main_form_fixture.h"
#include "workspace/current_selection.h"

namespace kb::test {
namespace {

const char kNoDesigner[] = "No designer selected\nor\nThere are designer errors";
const char kNoCollection[] = "No collection selected\nor\nThere are collection errors";

using StartupTest = MainFormTest;

TEST_F(StartupTest, FirstRunOnAnEmptyWorkspace) {
    TMainForm& form = Start();
    EXPECT_TRUE(FolderThere("Installations"));
    EXPECT_EQ(Model().SaveDialog1.folder, At("Installations"));
    EXPECT_EQ(Model().OpenMmtPdf.folder, At("MeasureTables"));
    EXPECT_TRUE(Model().DesignerCombo.entries.empty());
    EXPECT_TRUE(form.DesignerError);
    EXPECT_FALSE(Model().DesignerNextButton.enabled);
    EXPECT_FALSE(Model().AddDesignerButton.enabled);
    EXPECT_TRUE(form.StartupDone);
    EXPECT_EQ(Model().Tabs.active, Tab::Designer);
    EXPECT_EQ(Model().MacroSource.Selected(), 0);
    EXPECT_NE(Model().DesignerAddNameHelp.text.find("Create a new designer"), std::string::npos);
    EXPECT_TRUE(ui.messages.empty());

    // The Collection and Garment tabs are refused with a notice; Measures and Create open.
    for (Tab refused : {Tab::Collection, Tab::Garment}) {
        GoTo(refused);
        EXPECT_EQ(Model().Tabs.active, Tab::Designer);
        ASSERT_FALSE(ui.messages.empty());
        EXPECT_EQ(ui.messages.back().text, kNoDesigner);
        EXPECT_EQ(ui.messages.back().caption, "Kitbinder");
    }
    ui.messages.clear();
    for (Tab open : {Tab::Measures, Tab::Create}) {
        GoTo(open);
        EXPECT_EQ(Model().Tabs.active, open);
        EXPECT_EQ(Model().Tabs.highlighted, open);
        EXPECT_EQ(form.PreviousTab, open);
    }
    EXPECT_TRUE(ui.messages.empty());

    // The Create tab's panel: stock picture, empty disabled editor, text indicator only.
    EXPECT_EQ(NameOf(Model().FilePicture.file), "KB_Create.jpg");
    EXPECT_EQ(Model().FileText.text, "");
    EXPECT_FALSE(Model().FileText.enabled);
    EXPECT_TRUE(Model().FileTextChecked.visible);
    EXPECT_FALSE(Model().FilePictureChecked.visible);
    EXPECT_FALSE(form.FileTextKeyPress());
    EXPECT_GT(ui.changes, 0);
}

TEST_F(StartupTest, NextButtonsWalkTheTabsAndStopAtMissingCollection) {
    MakeFolder("Designers/Anna");
    TMainForm& form = Start();
    EXPECT_FALSE(form.DesignerError);
    EXPECT_TRUE(Model().DesignerNextButton.enabled);
    form.DesignerNextButtonClick();
    EXPECT_EQ(Model().Tabs.active, Tab::Collection);
    EXPECT_TRUE(form.CollectionError);
    EXPECT_FALSE(Model().CollectionNextButton.enabled);
    form.CollectionNextButtonClick();
    EXPECT_EQ(Model().Tabs.active, Tab::Collection);
    ASSERT_EQ(ui.MessageTexts(), std::vector<std::string>{kNoCollection});

    MakeFolder("Designers/Anna/Coats");
    TypeDesigner("Anna");
    EXPECT_EQ(CurrentCollection(), "Coats");
    EXPECT_TRUE(Model().CollectionNextButton.enabled);
    form.CollectionNextButtonClick();
    EXPECT_EQ(Model().Tabs.active, Tab::Garment);
    form.GarmentNextButtonClick();
    EXPECT_EQ(Model().Tabs.active, Tab::Measures);
    form.MeasuresNextButtonClick();
    EXPECT_EQ(Model().Tabs.active, Tab::Create);
    EXPECT_EQ(ui.messages.size(), 1u);
}

TEST_F(StartupTest, TwoRunsInARowRestoreTabDesignerAndCollection) {
    MakeFolder("Designers/Anna/Coats");
    MakeFolder("Designers/Bert/Capes");
    MakeFolder("Designers/Bert/Jackets");
    Start();
    TypeDesigner("Bert");
    TypeCollection("Jackets");
    GoTo(Tab::Measures);
    TMainForm& second = Restart();
    EXPECT_EQ(CurrentDesigner(), "Bert");
    EXPECT_EQ(CurrentCollection(), "Jackets");
    EXPECT_EQ(Model().Tabs.active, Tab::Measures);
    EXPECT_EQ(second.PreviousTab, Tab::Designer);
    EXPECT_EQ(Model().Tabs.highlighted, Tab::Measures);  // the header of the tab shown

    // Each designer keeps its own collection choice.
    TypeDesigner("Anna");
    EXPECT_EQ(CurrentCollection(), "Coats");
    TypeDesigner("Bert");
    EXPECT_EQ(CurrentCollection(), "Jackets");
    EXPECT_EQ(ReadSetting(SettingsRoot::CurrentUser, "Tab", ""), "3");
}

TEST_F(StartupTest, StoredValuesThatNameNothingAreIgnored) {
    MakeFolder("Designers/Anna");
    MakeFolder("Designers/Bert");
    struct Case {
        std::string designer;
        std::string tab;
        std::string expectedDesigner;
        Tab expectedTab;
    };
    for (const Case& c :
         {Case{"bert", "7", "Anna", Tab::Designer}, Case{"Bert", "-1", "Bert", Tab::Designer},
          Case{"Nobody", "1.5", "Anna", Tab::Designer}, Case{"Bert", "x", "Bert", Tab::Designer},
          Case{"Bert", "4", "Bert", Tab::Create}}) {
        SetCurrentSelection({});
        WriteSetting(SettingsRoot::CurrentUser, "Designer", c.designer);
        WriteSetting(SettingsRoot::CurrentUser, "Tab", c.tab);
        Start();
        EXPECT_EQ(CurrentDesigner(), c.expectedDesigner) << c.designer;
        EXPECT_EQ(Model().Tabs.active, c.expectedTab) << c.tab;
    }
}

TEST_F(StartupTest, HintsAndMenu) {
    TMainForm& form = Start();
    struct Case {
        std::string hint, shortPart, longPart;
    };
    for (const Case& c : {Case{"Scan MMT|Scan MMT", "Scan MMT", "Scan MMT"},
                          Case{"Add Garment ", "Add Garment ", "Add Garment "},
                          Case{"Next Tab | Go to Create Tab", "Next Tab ", " Go to Create Tab"},
                          Case{"a|b|c", "a", "b|c"}}) {
        EXPECT_EQ(ShortHint(c.hint), c.shortPart);
        EXPECT_EQ(LongHint(c.hint), c.longPart);
        form.ShowHintInStatusBar(c.hint);
        EXPECT_EQ(Model().StatusBar.text, c.longPart);
    }
    EXPECT_FALSE(Model().File1.visible);
    EXPECT_FALSE(Model().Ftp1.visible);
    EXPECT_FALSE(Model().Create1.visible);
    EXPECT_TRUE(Model().Help1.visible);

    int uploads = 0;
    form.Ftp1Click();  // nothing wired yet
    form.UploadHandler = [&](ScanInputs) { ++uploads; };
    form.Ftp1Click();
    form.AboutMenu1Click();
    form.Quit1Click();
    form.Help2Click();  // no help file in the working directory: said so, nothing opened
    EXPECT_EQ(uploads, 1);
    EXPECT_EQ(ui.about, 1);
    EXPECT_EQ(ui.closed, 1);
    EXPECT_TRUE(ui.opened.empty());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].text.find("KBinder.chm"), std::string::npos);
}

TEST_F(StartupTest, AnErrorOfAHandlerIsShownAndTheFormGoesOn) {
    MakeFolder("Designers/Anna/Coats");
    TMainForm& form = Start();
    MakeFolder("Designers/Anna/Coats/Password.txt");  // a folder where the file should go
    Model().PasswordEdit.text = "secret";
    form.PasswordEditExit();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].caption, "Kitbinder");
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Error);
    EXPECT_NE(ui.messages[0].text.find("Password.txt"), std::string::npos);
    EXPECT_EQ(form.Data.password, "");
    Model().CollectionVersionEdit.text = "2.0";
    form.CollectionVersionEditExit();
    EXPECT_EQ(Read("Designers/Anna/Coats/CollectionVersion.txt"), "2.0");
}

}  // namespace
}  // namespace kb::test
