// Deleting, renaming and removing items never reaches through a symbolic link into a folder
// outside the workspace: an operation whose paths hold a link below the workspace root is refused
// before anything is touched, and the refusal names the link.
#include <filesystem>
#include <functional>
#include <map>

#include "foundation/files.h"
#include "foundation/paths.h"
#include "tests/app_logic/main_form_fixture.h"
#include "tests/support/test_paths.h"
#include "workspace/current_selection.h"

namespace kb::test {
namespace {

namespace fs = std::filesystem;

struct Operation {
    const char* name;
    std::function<void(TMainForm&, FakeUserInterface&)> run;
};

struct LinkCase {
    const char* link;     // below the workspace root, made a link to outside
    const char* refused;  // the part the refusal names, "" when the operation is done
    const Operation& operation;
};

class LinkTest : public MainFormTest {
  protected:
    void SetUp() override {
        MainFormTest::SetUp();
        outside = temp + "/outside";
        for (const std::string& base : {root + "Designers/", outside + "/"}) {
            WriteTextFile(base + "Anna/Anna.txt", "About Anna");
            WriteTextFile(base + "Anna/Coats/Coats.txt", "coats");
            WriteTextFile(base + "Anna/Coats/Trench.mac", "trench");
            WriteTextFile(base + "Anna/Coats/Trench.txt", "about the trench");
        }
        Write("Installations/Anna/Coats/Coats.iss", "script");
    }

    // Makes relative a link to the same place below the folder outside: "Designers/Anna/Coats"
    // and "Installations/Anna/Coats" both lead to outside/Anna/Coats, "Designers" to outside.
    // False where this system cannot make links.
    bool LinkOutside(const std::string& relative) {
        size_t slash = relative.find('/');
        std::string target = outside;
        if (slash != std::string::npos)
            target += "/" + relative.substr(slash + 1);
        const bool folder = !FileExists(target);
        fs::remove_all(FsPath(At(relative)));
        return MakeLink(Native(target), At(relative), folder);
    }

    // Every entry below folder: links as their target, files with their content.
    static std::map<std::string, std::string> Snapshot(const std::string& folder) {
        std::map<std::string, std::string> entries;
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
            std::string& value = entries[entry.path().string()];
            if (entry.is_symlink())
                value = "link to " + fs::read_symlink(entry.path()).string();
            else if (entry.is_regular_file())
                value = ReadTextFile(entry.path().string());
            else
                value = "folder";
        }
        return entries;
    }

    void Check(const LinkCase& c);

    std::string outside;
};

const Operation kDeleteDesigner{"delete designer", [](TMainForm& form, FakeUserInterface& ui) {
                                    ui.answers = {MessageAnswer::Yes};
                                    form.DeleteDesignerButtonClick();
                                }};
const Operation kRenameDesigner{"rename designer", [](TMainForm& form, FakeUserInterface& ui) {
                                    ui.texts = {std::string("Bea")};
                                    form.RenameDesignerButtonClick();
                                }};
const Operation kDeleteCollection{"delete collection", [](TMainForm& form, FakeUserInterface& ui) {
                                      ui.answers = {MessageAnswer::Yes};
                                      form.DeleteCollectionButtonClick();
                                  }};
const Operation kRenameCollection{"rename collection", [](TMainForm& form, FakeUserInterface& ui) {
                                      ui.texts = {std::string("Jackets")};
                                      form.RenameCollectionButtonClick();
                                  }};
const Operation kRemoveGarment{"remove garment", [](TMainForm& form, FakeUserInterface& ui) {
                                   ui.answers = {MessageAnswer::Yes};
                                   form.form.MacroList.selected = 0;
                                   form.DeleteMacroButtonClick();
                               }};

void LinkTest::Check(const LinkCase& c) {
    const std::string label = std::string(c.link) + ": " + c.operation.name;
    TMainForm& form = Start();
    ASSERT_EQ(CurrentCollection(), "Coats") << label;
    ASSERT_EQ(Model().MacroList.entries, std::vector<std::string>{"Trench"}) << label;
    const auto outsideBefore = Snapshot(outside);
    const auto documentsBefore = Snapshot(documents);
    ui.messages.clear();

    c.operation.run(form, ui);

    EXPECT_EQ(Snapshot(outside), outsideBefore) << label;
    if (*c.refused == '\0') {
        EXPECT_NE(Snapshot(documents), documentsBefore) << label;
        for (const std::string& text : ui.MessageTexts())
            EXPECT_EQ(text.find("Nothing was changed"), std::string::npos) << label;
        return;
    }
    EXPECT_EQ(Snapshot(documents), documentsBefore) << label;
    ASSERT_EQ(ui.messages.size(), 1u) << label;  // no question before the refusal
    EXPECT_NE(ui.messages[0].text.find("\"" + At(c.refused) + "\" is a symbolic link"),
              std::string::npos)
        << label << ": " << ui.messages[0].text;
    EXPECT_EQ(Model().MacroList.entries, std::vector<std::string>{"Trench"}) << label;
}

TEST_F(LinkTest, OperationsThroughALinkAreRefusedAndNothingOutsideChanges) {
    const LinkCase cases[] = {
        {"Designers/Anna", "Designers/Anna", kDeleteDesigner},
        {"Designers/Anna", "Designers/Anna", kRenameDesigner},
        {"Designers/Anna", "Designers/Anna", kDeleteCollection},
        {"Designers/Anna", "Designers/Anna", kRenameCollection},
        {"Designers/Anna", "Designers/Anna", kRemoveGarment},
        {"Installations/Anna", "Installations/Anna", kDeleteDesigner},
        {"Installations/Anna", "", kRenameDesigner},  // a rename leaves Installations alone
        {"Installations/Anna", "", kDeleteCollection},
        {"Designers/Anna/Coats", "", kDeleteDesigner},  // the link inside goes as a link
        {"Designers/Anna/Coats", "", kRenameDesigner},
        {"Designers/Anna/Coats", "Designers/Anna/Coats", kDeleteCollection},
        {"Designers/Anna/Coats", "Designers/Anna/Coats", kRenameCollection},
        {"Designers/Anna/Coats", "Designers/Anna/Coats", kRemoveGarment},
        {"Designers", "Designers", kDeleteDesigner},
        {"Designers", "Designers", kRenameCollection},
        {"Designers/Anna/Coats/Trench.mac", "Designers/Anna/Coats/Trench.mac", kRemoveGarment},
        {"Designers/Anna/Coats/Trench.mac", "", kRenameCollection},
        {"Designers/Anna/Anna.txt", "Designers/Anna/Anna.txt", kRenameDesigner},
        {"Designers/Anna/Coats/Trench.txt", "Designers/Anna/Coats/Trench.txt", kRemoveGarment},
        {"Designers/Bea", "Designers/Bea", kRenameDesigner},  // the new name, dangling link
    };
    for (const LinkCase& c : cases) {
        TearDown();  // a fresh workspace for each case
        SetUp();
        if (!LinkOutside(c.link))
            GTEST_SKIP() << "this system cannot make symbolic links";
        Check(c);
    }
}

}  // namespace
}  // namespace kb::test
