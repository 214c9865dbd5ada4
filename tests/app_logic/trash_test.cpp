// Deleting designers, collections and garments moves their files to the trash (a trash of the
// test's own), says so in the question, and Undo puts them back where they were.
#include <algorithm>
#include <functional>

#include "foundation/each_file.h"
#include "foundation/files.h"
#include "foundation/paths.h"
#include "tests/app_logic/main_form_fixture.h"
#include "workspace/current_selection.h"

namespace kb::test {
namespace {

class TrashTest : public MainFormTest {
  protected:
    void SetUp() override {
        MainFormTest::SetUp();
        Write("Designers/Anna/Anna.txt", "About Anna");
        Write("Designers/Bert/Bert.txt", "About Bert");
        Write("Designers/Bert/Capes/Capes.txt", "capes");
        Write("Designers/Bert/Coats/Coats.txt", "coats");
        Write("Designers/Bert/Coats/Trench.mac", "trench");
        Write("Designers/Bert/Coats/Trench.jpg", "trench picture");
        Write("Designers/Bert/Coats/Trench.txt", "about the trench");
        Write("Designers/Bert/Coats/Cape.mac", "cape");
        Write("Installations/Bert/Coats/Coats.iss", "script");
    }
    TMainForm& StartWithBertsCoats() {
        TMainForm& form = Start();
        TypeDesigner("Bert");
        TypeCollection("Coats");
        return form;
    }
    void SelectGarment(const std::string& name) {
        const std::vector<std::string>& entries = Model().MacroList.entries;
        Model().MacroList.selected =
            int(std::find(entries.begin(), entries.end(), name) - entries.begin());
        Form().MacroListClick();
    }
    // What the trash holds, by name.
    std::vector<std::string> InTrash() const {
        std::vector<std::string> names = EachFile(trash + "/files").Names();
        const EachDirectory folders(trash + "/files");
        for (const std::string& folder : folders)
            names.push_back(folder + "/");
        std::sort(names.begin(), names.end());
        return names;
    }
};

struct DeleteCase {
    const char* what;
    std::function<void(TMainForm&)> remove;
    std::string question;
    std::vector<std::string> gone;  // below the workspace root
    std::vector<std::string> trashed;
};

TEST_F(TrashTest, DeletesGoToTheTrashAndUndoPutsThemBack) {
    const DeleteCase cases[] = {
        {"garment",
         [&](TMainForm& form) {
             SelectGarment("Trench");
             form.DeleteMacroButtonClick();
         },
         "Do you really want to delete the garment Trench?\n\nTrench.mac, Trench.jpg, "
         "Trench.txt will be moved to the trash.",
         {"Designers/Bert/Coats/Trench.mac", "Designers/Bert/Coats/Trench.jpg",
          "Designers/Bert/Coats/Trench.txt"},
         {"Trench.jpg", "Trench.mac", "Trench.txt"}},
        {"collection",
         [](TMainForm& form) { form.DeleteCollectionButtonClick(); },
         "Do you really want to delete the collection Coats?\n\nIts folder, with all its "
         "garments and files, will be moved to the trash.",
         {"Designers/Bert/Coats/Coats.txt", "Designers/Bert/Coats/Trench.mac"},
         {"Coats/"}},
        {"designer",
         [](TMainForm& form) { form.DeleteDesignerButtonClick(); },
         "Do you really want to delete the designer Bert?\n\nIts folder with all its "
         "collections and files, and its setups, will be moved to the trash.",
         {"Designers/Bert/Bert.txt", "Designers/Bert/Capes/Capes.txt",
          "Installations/Bert/Coats/Coats.iss"},
         {"Bert/", "Coats/"}},
    };
    for (const DeleteCase& c : cases) {
        TearDown();
        SetUp();
        ui = FakeUserInterface();
        TMainForm& form = StartWithBertsCoats();
        if (std::string(c.what) == "designer")
            GoTo(Tab::Designer);
        EXPECT_FALSE(Model().Undo1.enabled) << c.what;

        // No, the default, keeps everything.
        ui.answers = {MessageAnswer::No};
        c.remove(form);
        ASSERT_EQ(ui.MessageTexts(), std::vector<std::string>{c.question}) << c.what;
        EXPECT_EQ(ui.messages[0].buttons, MessageButtons::YesNo);
        for (const std::string& file : c.gone)
            EXPECT_TRUE(Exists(file)) << c.what << ": " << file;
        ui.messages.clear();

        ui.answers = {MessageAnswer::Yes};
        c.remove(form);
        for (const std::string& file : c.gone)
            EXPECT_FALSE(Exists(file)) << c.what << ": " << file;
        EXPECT_EQ(InTrash(), c.trashed) << c.what;
        EXPECT_TRUE(Model().Undo1.enabled) << c.what;
        EXPECT_EQ(Model().Undo1.caption, std::string("&Undo Delete of ") + c.what +
                                             (std::string(c.what) == "designer"     ? " Bert"
                                              : std::string(c.what) == "collection" ? " Coats"
                                                                                    : " Trench"));
        EXPECT_TRUE(FolderExists(trash + "/info")) << c.what;

        // Undo: the files where they were, the item current again, the trash as before.
        GoTo(Tab::Designer);
        TypeDesigner("Anna");
        form.Undo1Click();
        for (const std::string& file : c.gone)
            EXPECT_TRUE(Exists(file)) << c.what << ": " << file;
        EXPECT_EQ(Read("Designers/Bert/Coats/Trench.jpg"), "trench picture") << c.what;
        EXPECT_TRUE(InTrash().empty()) << c.what;
        EXPECT_TRUE(EachFile(trash + "/info").Names().empty()) << c.what;
        EXPECT_EQ(CurrentDesigner(), "Bert") << c.what;
        EXPECT_EQ(CurrentCollection(), "Coats") << c.what;
        const std::vector<std::string>& entries = Model().MacroList.entries;
        EXPECT_EQ(std::count(entries.begin(), entries.end(), "Trench"), 1) << c.what;
        if (std::string(c.what) == "garment") {
            EXPECT_EQ(Model().MacroList.SelectedText(), "Trench");
        }
        EXPECT_FALSE(Model().Undo1.enabled) << c.what;
        form.Undo1Click();  // nothing more to undo
        EXPECT_EQ(ui.messages.size(), 1u) << c.what;
    }
}

// Undo never overwrites: an item made anew under the deleted name stays, and the deleted one
// stays in the trash until that place is free again.
TEST_F(TrashTest, UndoLeavesANewItemOfTheSameNameAlone) {
    TMainForm& form = StartWithBertsCoats();
    ui.answers = {MessageAnswer::Yes};
    form.DeleteCollectionButtonClick();
    TypeCollection("Coats");
    form.AddCollectionButtonClick();
    ASSERT_EQ(Read("Designers/Bert/Coats/Coats.txt"), "Enter text or double-click to load file.");
    ui.messages.clear();
    form.Undo1Click();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].text.find("Nothing was changed"), std::string::npos);
    EXPECT_EQ(Read("Designers/Bert/Coats/Coats.txt"), "Enter text or double-click to load file.");
    EXPECT_EQ(InTrash(), std::vector<std::string>{"Coats/"});
    EXPECT_TRUE(Model().Undo1.enabled);

    ui.answers = {MessageAnswer::Yes};
    form.DeleteCollectionButtonClick();  // the new one goes; the last delete is now that one
    form.Undo1Click();
    EXPECT_EQ(Read("Designers/Bert/Coats/Coats.txt"), "Enter text or double-click to load file.");
    EXPECT_EQ(InTrash().size(), 1u);
}

// Where the system has no trash for the workspace, the question says that the files go for
// good, and there is nothing to undo.
TEST_F(TrashTest, WithoutATrashTheQuestionSaysDeletedPermanently) {
    WriteTextFile(temp + "/not-a-folder", "");
    EnvironmentValue dataHome("XDG_DATA_HOME");
    dataHome.Set(temp + "/not-a-folder");
    TMainForm& form = StartWithBertsCoats();
    SelectGarment("Cape");
    ui.answers = {MessageAnswer::Yes};
    form.DeleteMacroButtonClick();
    dataHome.Restore();
    EXPECT_EQ(ui.MessageTexts(),
              std::vector<std::string>{"Do you really want to delete the garment Cape?\n\n"
                                       "Cape.mac will be deleted permanently: this system has no "
                                       "trash for them."});
    EXPECT_FALSE(Exists("Designers/Bert/Coats/Cape.mac"));
    EXPECT_FALSE(Model().Undo1.enabled);
    EXPECT_TRUE(InTrash().empty());
}

}  // namespace
}  // namespace kb::test
