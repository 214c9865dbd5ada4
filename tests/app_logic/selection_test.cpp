// Designers and collections: typing, choosing, creating, renaming and deleting.
#include <functional>

#include "foundation/each_file.h"
#include "foundation/files.h"
#include "foundation/paths.h"
#include "foundation/settings_store.h"
#include "tests/app_logic/main_form_fixture.h"
#include "workspace/current_selection.h"

namespace kb::test {
namespace {

const char kDefaultText[] = "Enter text or double-click to load file.";
const char kNoDesignerName[] = "Can't create Designer, try a different name";
const char kNoCollectionName[] = "Can't create Collection, try a different name";

using SelectionTest = MainFormTest;

TEST_F(SelectionTest, CreatingADesignerMakesItsFoldersAndFilesAndSelectsIt) {
    MakeFolder("Designers/Anna/Coats");
    TMainForm& form = Start();
    TypeDesigner("Cara");
    EXPECT_TRUE(Model().AddDesignerButton.enabled);
    EXPECT_EQ(CurrentDesigner(), "Anna");  // a name being typed changes nothing else
    form.AddDesignerButtonClick();
    EXPECT_TRUE(Exists("Designers/Cara/Cara.jpg"));
    EXPECT_EQ(Read("Designers/Cara/Cara.txt"), kDefaultText);
    EXPECT_TRUE(FolderThere("Installations/Cara"));
    EXPECT_EQ(CurrentDesigner(), "Cara");
    EXPECT_EQ(Model().DesignerCombo.Selected(), 1);
    EXPECT_EQ(Model().DesignerCombo.entries, (std::vector<std::string>{"Anna", "Cara"}));
    EXPECT_TRUE(Model().CollectionCombo.entries.empty());
    EXPECT_EQ(CurrentCollection(), "");
    EXPECT_FALSE(Model().AddDesignerButton.enabled);  // the folder exists now
    EXPECT_FALSE(form.DesignerError);
    EXPECT_TRUE(Model().FileTextChecked.visible);  // the default text counts as missing
    EXPECT_EQ(Model().FileText.text, kDefaultText);
    EXPECT_FALSE(Model().FilePictureChecked.visible);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(SelectionTest, NamesThatCannotBeFoldersAreRefused) {
    MakeFolder("Designers/Anna/Coats");
    TMainForm& form = Start();
    auto refused = [&](const std::string& designer, const std::string& collection) {
        ui.messages.clear();
        TypeDesigner(designer);
        form.AddDesignerButtonClick();
        EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{kNoDesignerName}) << designer;
        EXPECT_EQ(ui.messages.back().caption, "Error");

        ui.messages.clear();
        TypeDesigner("Anna");
        TypeCollection(collection);
        form.AddCollectionButtonClick();
        EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{kNoCollectionName}) << collection;
    };
    for (const std::string name : {"", "   ", ".", "..", "a/b", "a\\b", "a<b", "a>b", "a:b", "a\"b",
                                   "a|b", "a?b", "a*b", "tab\tname", "end.", "end "})
        refused(name, name);
    refused("Anna", "Coats");  // taken
    EXPECT_EQ(EachDirectory(At("Designers")).Names(), std::vector<std::string>{"Anna"});
    EXPECT_EQ(EachDirectory(At("Designers/Anna")).Names(), std::vector<std::string>{"Coats"});
}

TEST_F(SelectionTest, TypingAndChoosing) {
    MakeFolder("Designers/Anna/Coats");
    MakeFolder("Designers/Bert");
    TMainForm& form = Start();
    EXPECT_EQ(CurrentDesigner(), "Anna");
    TypeDesigner("bert");  // matches only up to letter case
    EXPECT_EQ(CurrentDesigner(), "Anna");
    EXPECT_EQ(Model().DesignerCombo.Selected(), -1);
    EXPECT_FALSE(form.DesignerIsValid());
    EXPECT_TRUE(form.DesignerError);
    // Where names ignore their case, the folder "bert" is Bert's: it cannot be made anew.
    EXPECT_EQ(Model().AddDesignerButton.enabled, kPathSeparator != '\\');
    TypeDesigner("Bert");
    EXPECT_EQ(CurrentDesigner(), "Bert");
    EXPECT_TRUE(Model().CollectionCombo.entries.empty());
    EXPECT_EQ(CurrentCollectionFolder(), CurrentDesignerFolder());
    EXPECT_EQ(form.Data.version, "0.1");

    TypeDesigner("Anna");
    EXPECT_EQ(CurrentCollection(), "Coats");
    GoTo(Tab::Collection);
    TypeCollection("Hats");  // a new name being typed: no collection is selected
    EXPECT_EQ(CurrentCollection(), "");
    EXPECT_EQ(Model().CollectionVersionEdit.text, "0.1");
    EXPECT_TRUE(Model().AddCollectionButton.enabled);
    EXPECT_TRUE(form.CollectionError);
    EXPECT_EQ(ReadSetting(SettingsRoot::CurrentUser, "Anna_ActiveCollection", "?"), "?");
}

TEST_F(SelectionTest, CollectionFieldsComeFromTheirFiles) {
    Write("Designers/Anna/Website.txt", "https://anna.example");
    Write("Designers/Anna/Coats/Password.txt", "pa$$word");
    Write("Designers/Anna/Coats/CollectionVersion.txt", "1.2");
    MakeFolder("Designers/Anna/Hats");
    TMainForm& form = Start();
    EXPECT_EQ(form.Data.website, "https://anna.example");
    EXPECT_EQ(Model().WebsiteEdit.text, "https://anna.example");
    EXPECT_EQ(form.Data.password, "pa$$word");
    EXPECT_EQ(Model().PasswordEdit.text, "pa$$word");
    EXPECT_EQ(form.Data.version, "1.2");
    TypeCollection("Hats");
    EXPECT_EQ(form.Data.password, "");
    EXPECT_EQ(form.Data.version, "0.1");
    EXPECT_EQ(ReadSetting(SettingsRoot::CurrentUser, "Anna_ActiveCollection", ""), "Hats");
}

TEST_F(SelectionTest, CreatingACollection) {
    MakeFolder("Designers/Anna");
    TMainForm& form = Start();
    TypeCollection("Coats");
    EXPECT_TRUE(Model().AddCollectionButton.enabled);
    form.AddCollectionButtonClick();
    EXPECT_TRUE(Exists("Designers/Anna/Coats/Coats.jpg"));
    EXPECT_EQ(Read("Designers/Anna/Coats/Coats.txt"), kDefaultText);
    EXPECT_FALSE(FolderThere("Installations/Anna/Coats"));
    EXPECT_EQ(CurrentCollection(), "Coats");
    EXPECT_FALSE(form.CollectionError);
    EXPECT_EQ(ReadSetting(SettingsRoot::CurrentUser, "Anna_ActiveCollection", ""), "Coats");
}

TEST_F(SelectionTest, DeletingDesignersSelectsTheOneBefore) {
    for (const char* designer : {"Anna", "Bert", "Cara"})
        MakeFolder(std::string("Designers/") + designer + "/Coats");
    MakeFolder("Installations/Bert/Coats");
    MakeFolder("Installations/Bert/Other");
    TMainForm& form = Start();
    TypeDesigner("Bert");

    ui.answers = {MessageAnswer::No};
    form.DeleteDesignerButtonClick();
    EXPECT_TRUE(FolderThere("Designers/Bert"));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text,
              "Do you really want to delete the designer Bert?\n\nIts folder with all its "
              "collections and files, and its setups, will be moved to the trash.");
    EXPECT_EQ(ui.messages[0].caption, "Warning");
    EXPECT_EQ(ui.messages[0].buttons, MessageButtons::YesNo);

    ui.answers = {MessageAnswer::Yes};
    form.DeleteDesignerButtonClick();
    EXPECT_FALSE(FolderThere("Designers/Bert"));
    EXPECT_FALSE(FolderThere("Installations/Bert/Coats"));
    EXPECT_TRUE(FolderThere("Installations/Bert/Other"));
    EXPECT_EQ(CurrentDesigner(), "Anna");

    ui.answers = {MessageAnswer::Yes};
    form.DeleteDesignerButtonClick();  // the first: the new first becomes current
    EXPECT_EQ(CurrentDesigner(), "Cara");

    ui.answers = {MessageAnswer::Yes};
    form.DeleteDesignerButtonClick();
    EXPECT_TRUE(Model().DesignerCombo.entries.empty());
    EXPECT_TRUE(form.DesignerError);
    EXPECT_FALSE(Model().DeleteDesignerButton.enabled);
    EXPECT_EQ(Model().CollectionCombo.entries, std::vector<std::string>{"Coats"});
    EXPECT_TRUE(FolderThere("Designers"));
    EXPECT_TRUE(FolderThere("Installations"));
}

TEST_F(SelectionTest, DeletingACollectionSelectsTheOneBefore) {
    for (const char* collection : {"Capes", "Coats", "Hats"})
        MakeFolder(std::string("Designers/Anna/") + collection);
    TMainForm& form = Start();
    TypeCollection("Hats");
    ui.answers = {MessageAnswer::Yes};
    form.DeleteCollectionButtonClick();
    EXPECT_EQ(ui.messages.back().text,
              "Do you really want to delete the collection Hats?\n\nIts folder, with all its "
              "garments and files, will be moved to the trash.");
    EXPECT_FALSE(FolderThere("Designers/Anna/Hats"));
    EXPECT_EQ(CurrentCollection(), "Coats");
    TypeCollection("Capes");
    ui.answers = {MessageAnswer::Yes};
    form.DeleteCollectionButtonClick();
    EXPECT_EQ(CurrentCollection(), "Coats");
    EXPECT_TRUE(FolderThere("Designers/Anna"));
}

TEST_F(SelectionTest, RenamingADesignerMovesItsFolderAndItemFiles) {
    Write("Designers/Anna/Anna.jpg", "\xFF\xD8 picture");
    Write("Designers/Anna/Anna.txt", "About Anna");
    Write("Designers/Anna/Anna_License.txt", "licence");
    Write("Designers/Anna/Anna.pdf", "pdf");
    Write("Designers/Anna/Coats/Coats.txt", "coats");
    MakeFolder("Designers/Bert");
    TMainForm& form = Start();

    for (const char* taken : {"Bert", "Anna", "a/b"}) {
        ui.messages.clear();
        ui.texts = {std::string(taken)};
        form.RenameDesignerButtonClick();
        EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{kNoDesignerName}) << taken;
    }
    ui.texts = {std::nullopt};  // cancel
    form.RenameDesignerButtonClick();
    EXPECT_TRUE(FolderThere("Designers/Anna"));
    EXPECT_EQ(ui.asked.back(), (std::pair<std::string, std::string>{"Rename Designer", "Anna"}));

    ui.texts = {std::string("Anne")};
    form.RenameDesignerButtonClick();
    EXPECT_FALSE(FolderThere("Designers/Anna"));
    EXPECT_EQ(Read("Designers/Anne/Anne.txt"), "About Anna");
    EXPECT_TRUE(Exists("Designers/Anne/Anne.jpg"));
    EXPECT_EQ(Read("Designers/Anne/Anne_License.txt"), "licence");
    EXPECT_TRUE(Exists("Designers/Anne/Anne.pdf"));
    EXPECT_EQ(Read("Designers/Anne/Coats/Coats.txt"), "coats");
    EXPECT_EQ(CurrentDesigner(), "Anne");
    EXPECT_EQ(CurrentCollection(), "Coats");
    EXPECT_FALSE(Model().FileTextChecked.visible);
    EXPECT_FALSE(Model().LicenseChecked.visible);
}

TEST_F(SelectionTest, RenamingACollection) {
    Write("Designers/Anna/Coats/Coats_mini.bmp", "BM");
    Write("Designers/Anna/Coats/Coats_BeforeInstall.txt", "before");
    Write("Designers/Anna/Coats/Trench.mac", "");
    MakeFolder("Designers/Anna/Hats");
    TMainForm& form = Start();
    ui.texts = {std::string("Hats")};
    form.RenameCollectionButtonClick();
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{kNoCollectionName});
    ui.texts = {std::string("Jackets")};
    form.RenameCollectionButtonClick();
    EXPECT_EQ(ui.asked.back().first, "Rename Collection");
    EXPECT_FALSE(FolderThere("Designers/Anna/Coats"));
    EXPECT_TRUE(Exists("Designers/Anna/Jackets/Jackets_mini.bmp"));
    EXPECT_EQ(Read("Designers/Anna/Jackets/Jackets_BeforeInstall.txt"), "before");
    EXPECT_TRUE(Exists("Designers/Anna/Jackets/Trench.mac"));
    EXPECT_EQ(CurrentCollection(), "Jackets");
    EXPECT_EQ(Model().MacroList.entries, std::vector<std::string>{"Trench"});
    EXPECT_EQ(ReadSetting(SettingsRoot::CurrentUser, "Anna_ActiveCollection", ""), "Jackets");
}

// The description being edited belongs to the item it was read from: deleting that item drops
// it, renaming carries it along, and no other item's text is overwritten, also when the question
// or the input dialog takes the focus from the editor and gives it back.
TEST_F(SelectionTest, EditedDescriptionStaysWithItsItemOnDeleteAndRename) {
    const struct {
        const char* name;
        Tab tab;
        const char* item;  // selected and edited
        std::function<void(TMainForm&, FakeUserInterface&)> act;
        std::vector<std::pair<std::string, std::string>> files;  // expected afterwards
        const char* gone;
    } cases[] = {
        {"delete designer",
         Tab::Designer,
         "Bert",
         [](TMainForm& form, FakeUserInterface& ui) {
             ui.answers = {MessageAnswer::Yes};
             form.DeleteDesignerButtonClick();
         },
         {{"Designers/Anna/Anna.txt", "About Anna"}},
         "Designers/Bert"},
        {"rename designer",
         Tab::Designer,
         "Anna",
         [](TMainForm& form, FakeUserInterface& ui) {
             ui.texts = {std::string("Anne")};
             form.RenameDesignerButtonClick();
         },
         {{"Designers/Anne/Anne.txt", "About Anna edited"},
          {"Designers/Bert/Bert.txt", "About Bert"}},
         "Designers/Anna"},
        {"delete collection",
         Tab::Collection,
         "Hats",
         [](TMainForm& form, FakeUserInterface& ui) {
             ui.answers = {MessageAnswer::Yes};
             form.DeleteCollectionButtonClick();
         },
         {{"Designers/Anna/Coats/Coats.txt", "About Coats"},
          {"Designers/Anna/Anna.txt", "About Anna"}},
         "Designers/Anna/Hats"},
        {"rename collection",
         Tab::Collection,
         "Coats",
         [](TMainForm& form, FakeUserInterface& ui) {
             ui.texts = {std::string("Jackets")};
             form.RenameCollectionButtonClick();
         },
         {{"Designers/Anna/Jackets/Jackets.txt", "About Coats edited"},
          {"Designers/Anna/Hats/Hats.txt", "About Hats"},
          {"Designers/Anna/Anna.txt", "About Anna"}},
         "Designers/Anna/Coats"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteFolderTree(At("Designers"));
        Write("Designers/Anna/Anna.txt", "About Anna");
        Write("Designers/Anna/Coats/Coats.txt", "About Coats");
        Write("Designers/Anna/Hats/Hats.txt", "About Hats");
        Write("Designers/Bert/Bert.txt", "About Bert");
        ui = FakeUserInterface();
        TMainForm& form = Start();
        if (c.tab == Tab::Designer) {
            TypeDesigner(c.item);
        } else {
            GoTo(Tab::Collection);
            TypeCollection(c.item);
        }
        form.FileTextEnter();
        Model().FileText.text += " edited";
        form.FileTextChange();
        ui.whileAsking = [&form] {
            form.FileTextExit();
            form.FileTextEnter();
        };
        c.act(form, ui);
        for (const auto& [file, content] : c.files)
            EXPECT_EQ(Read(file), content) << file;
        EXPECT_FALSE(FolderThere(c.gone));
        EXPECT_FALSE(form.ItemTextDirty);
    }
}

}  // namespace
}  // namespace kb::test
