// Garments: the list, adding and removing with support files and pictures, the macro chooser's
// folder, and the missing-file check with its completion.
#include <algorithm>
#include <filesystem>

#include "foundation/each_file.h"
#include "foundation/files.h"
#include "foundation/paths.h"
#include "tests/app_logic/main_form_fixture.h"
#include "tools/sample_workspace/sample_workspace.h"
#include "workspace/current_selection.h"
#include "workspace/workspace_paths.h"

namespace kb::test {
namespace {

class GarmentTest : public MainFormTest {
  protected:
    TMainForm& StartOnGarments() {
        MakeFolder("Designers/Anna/Coats");
        TMainForm& form = Start();
        GoTo(Tab::Garment);
        return form;
    }
    void AddGarment(const std::string& path) {
        ui.picks = {path};
        Form().NewMacroButtonClick();
    }
};

TEST_F(GarmentTest, UploadIsGivenTheGarmentListAndTheBoxCollection) {
    Write("Designers/Anna/Coats/Coat1.mac", "");
    Write("Designers/Anna/Coats/Coat2.mac", "");
    TMainForm& form = StartOnGarments();
    std::vector<ScanInputs> uploads;
    form.UploadHandler = [&](ScanInputs inputs) { uploads.push_back(std::move(inputs)); };
    form.Ftp1Click();
    // A typed text that names no collection of the box selects none.
    Model().CollectionCombo.text = "Coa";
    form.Ftp1Click();
    ASSERT_EQ(uploads.size(), 2u);
    ASSERT_EQ(Model().MacroList.entries.size(), 2u);
    for (const ScanInputs& inputs : uploads) {
        EXPECT_EQ(inputs.garments, Model().MacroList.entries);
        EXPECT_EQ(inputs.selection.designer, "Anna");
        EXPECT_EQ(inputs.selection.collection, "Coats");
    }
    EXPECT_EQ(uploads[0].boxCollection, "Coats");
    EXPECT_EQ(uploads[1].boxCollection, "");
}

TEST_F(GarmentTest, TheListHoldsTheCollectionsMacrosOnly) {
    Write("Designers/Anna/Coats/Coat1.mac", "");
    Write("Designers/Anna/Coats/Coat2.MAC", "");
    Write("Designers/Anna/Coats/notes.txt", "");
    Write("Designers/Anna/Coats/.mac", "");
    TMainForm& form = StartOnGarments();
    EXPECT_EQ(Model().MacroList.entries, std::vector<std::string>{"Coat1"});
    EXPECT_FALSE(Model().GarmentExistsCheck.visible);
    EXPECT_TRUE(Model().ScanMeasureWarning.visible);
    EXPECT_TRUE(Model().MissingFilesChecked.visible);
    EXPECT_FALSE(form.GarmentError);
    EXPECT_TRUE(Model().MacroNextButton.enabled);
    EXPECT_TRUE(Model().CheckMacroButton.enabled);
    EXPECT_FALSE(Model().DeleteMacroButton.enabled);
    EXPECT_FALSE(Model().FileText.enabled);

    Model().MacroList.selected = 0;
    form.MacroListClick();
    EXPECT_TRUE(Model().DeleteMacroButton.enabled);
    EXPECT_TRUE(Model().FileText.enabled);
    EXPECT_TRUE(Model().MacroPdfChecked.visible);
    EXPECT_EQ(NameOf(Model().FilePicture.file), "KB_Garment.jpg");
}

TEST_F(GarmentTest, AddingCopiesTheMacroItsSupportFilesAndItsPictures) {
    TMainForm& form = StartOnGarments();
    EXPECT_TRUE(form.GarmentError);
    EXPECT_FALSE(Model().MacroNextButton.enabled);
    EXPECT_TRUE(Model().GarmentExistsCheck.visible);
    Write("Designers/Coat1.mac",
          "draw_line(1, 2);\r\n"
          "add_pict_item(1, \"front.jpg\", \"back.jpg\");\r\n"
          "add_pict_item(2, \"missing.jpg\");\n");
    Write("Designers/Coat1.jpg", "picture");
    Write("Designers/Coat1.pdf", "pdf");
    Write("Designers/front.jpg", "front");
    Write("Designers/back.jpg", "back");

    AddGarment(At("Designers/Coat1.mac"));
    EXPECT_EQ(ui.choosers.back().name, "OpenMacro");
    EXPECT_EQ(ui.choosers.back().folder, At("Designers"));
    EXPECT_EQ(ui.choosers.back().filter, "Macro Files|*.mac");
    EXPECT_EQ(Model().MacroList.entries, std::vector<std::string>{"Coat1"});
    EXPECT_EQ(Read("Designers/Anna/Coats/Coat1.jpg"), "picture");
    EXPECT_EQ(Read("Designers/Anna/Coats/Coat1.pdf"), "pdf");
    EXPECT_TRUE(Exists("Designers/Anna/Coats/Coat1.mac"));
    EXPECT_FALSE(Exists("Designers/Anna/Coats/Coat1.txt"));
    EXPECT_EQ(Read("Designers/Anna/Coats/back.jpg"), "back");
    EXPECT_FALSE(Exists("Designers/Anna/Coats/front.jpg"));
    EXPECT_FALSE(form.GarmentError);
    EXPECT_FALSE(Model().GarmentExistsCheck.visible);
    EXPECT_TRUE(Model().MissingFilesChecked.visible);

    // Twice: asked whether to replace; No keeps the files, Yes replaces them; never a second
    // entry.
    Write("Designers/Coat1.jpg", "picture 2");
    for (MessageAnswer answer : {MessageAnswer::No, MessageAnswer::Yes}) {
        ui.answers = {answer};
        AddGarment(At("Designers/Coat1.mac"));
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text,
                  "The garment Coat1 is already in the collection. Do you want to replace its "
                  "files?");
        EXPECT_EQ(ui.messages[0].buttons, MessageButtons::YesNo);
        EXPECT_EQ(Model().MacroList.entries, std::vector<std::string>{"Coat1"});
        EXPECT_EQ(Read("Designers/Anna/Coats/Coat1.jpg"),
                  answer == MessageAnswer::Yes ? "picture 2" : "picture");
        ui.messages.clear();
    }

    // A name that does not exist still gets an entry; nothing is copied.
    AddGarment(At("Designers/Ghost.mac"));
    EXPECT_EQ(Model().MacroList.entries.back(), "Ghost");
    EXPECT_FALSE(Exists("Designers/Anna/Coats/Ghost.mac"));

    // Removing deletes the macro and its support files, not the pictures it named.
    Model().MacroList.selected = 0;
    ui.answers = {MessageAnswer::Yes};
    form.DeleteMacroButtonClick();
    ASSERT_EQ(ui.messages.size(), 1u);
    ui.messages.clear();
    EXPECT_EQ(Model().MacroList.entries, (std::vector<std::string>{"Ghost"}));
    for (const char* gone : {"Coat1.mac", "Coat1.jpg", "Coat1.pdf"})
        EXPECT_FALSE(Exists(std::string("Designers/Anna/Coats/") + gone)) << gone;
    EXPECT_TRUE(Exists("Designers/Anna/Coats/back.jpg"));
    EXPECT_FALSE(Model().MacroList.HasSelection());
    EXPECT_TRUE(ui.messages.empty());
}

// Macros are written on Windows, where file names are found whatever their case: a picture named
// front.jpg is the file Front.JPG, and it replaces the collection's FRONT.jpg in place.
TEST_F(GarmentTest, PictureNamesAreFoundWhateverTheirCase) {
    StartOnGarments();
    Write("Designers/Coat1.mac",
          "add_pict_item(1, \"front.jpg\");\n"
          "add_pict_item(2, \"Pictures/back.jpg\");\n");
    Write("Designers/Front.JPG", "new front");
    Write("Designers/pictures/BACK.jpg", "back");
    Write("Designers/Anna/Coats/FRONT.jpg", "old front");
    AddGarment(At("Designers/Coat1.mac"));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(Read("Designers/Anna/Coats/FRONT.jpg"), "new front");
    // The listing, not a lookup, tells the names apart where the system ignores their case.
    const std::vector<std::string> names = EachFile(At("Designers/Anna/Coats")).Names();
    EXPECT_EQ(std::count(names.begin(), names.end(), "FRONT.jpg"), 1);
    for (const char* other : {"front.jpg", "Front.JPG"})
        EXPECT_EQ(std::count(names.begin(), names.end(), other), 0) << other;
    EXPECT_EQ(Read("Designers/Anna/Coats/Pictures/back.jpg"), "back");
}

// A picture name read from a macro never leads a copy out of the macro's folder or into a file
// outside the collection; the person is told which lines were skipped.
TEST_F(GarmentTest, PictureNamesStayInsideTheMacroFolderAndTheCollection) {
    TMainForm& form = StartOnGarments();
    Write("Designers/Anna/Anna.jpg", "Anna's own picture");
    Write("Anna/Anna.jpg", "a stranger's picture");
    Write("Patterns/Work/Coat1.mac",
          "add_pict_item(1, \"../../Anna/Anna.jpg\");\n"
          "add_pict_item(2, \"/etc/hostname\");\n"
          "add_pict_item(3, \"sub/../ok.jpg\");\n"
          "add_pict_item(4, \"..\\\\..\\\\Anna\\\\Anna.jpg\");\n"
          "add_pict_item(5, \"../Coats/../Coats/in.jpg\");\n");
    Write("Patterns/Work/ok.jpg", "ok");
    Write("Patterns/Coats/in.jpg", "outside the macro's folder");
    AddGarment(At("Patterns/Work/Coat1.mac"));
    EXPECT_EQ(Read("Designers/Anna/Anna.jpg"), "Anna's own picture");
    EXPECT_EQ(Read("Designers/Anna/Coats/ok.jpg"), "ok");
    EXPECT_FALSE(Exists("Designers/Anna/Coats/in.jpg"));
    EXPECT_FALSE(Exists("Designers/Anna/Coats/etc/hostname"));
    ASSERT_EQ(ui.messages.size(), 1u);
    const std::string& text = ui.messages[0].text;
    for (const char* line :
         {"Coat1.mac line 1: \"../../Anna/Anna.jpg\"", "Coat1.mac line 2: \"/etc/hostname\"",
          "Coat1.mac line 4: ", "Coat1.mac line 5: "})
        EXPECT_NE(text.find(line), std::string::npos) << line << " in " << text;
    EXPECT_EQ(text.find("line 3"), std::string::npos);
    EXPECT_EQ(Model().MacroList.entries, std::vector<std::string>{"Coat1"});
    EXPECT_FALSE(form.GarmentError);
}

// Names that differ only in case are one garment, as on Windows where the setup installs them:
// adding one asks to replace the other, and removing one never takes another garment's files.
TEST_F(GarmentTest, NamesThatDifferOnlyInCaseAreOneGarment) {
    Write("Designers/Anna/Coats/JACKET.mac", "old jacket");
    Write("Designers/Jacket.mac", "new jacket");
    TMainForm& form = StartOnGarments();
    for (MessageAnswer answer : {MessageAnswer::No, MessageAnswer::Yes}) {
        ui.answers = {answer};
        ui.messages.clear();
        AddGarment(At("Designers/Jacket.mac"));
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text,
                  "The garment Jacket is already in the collection as JACKET. Do you want to "
                  "replace its files?");
        EXPECT_EQ(Model().MacroList.entries, std::vector<std::string>{"JACKET"});
        EXPECT_EQ(Read("Designers/Anna/Coats/JACKET.mac"),
                  answer == MessageAnswer::Yes ? "new jacket" : "old jacket");
    }
    const std::vector<std::string> names = EachFile(At("Designers/Anna/Coats")).Names();
    EXPECT_EQ(names, std::vector<std::string>{"JACKET.mac"});

    // Two macros that only a case-sensitive disk tells apart: each keeps its own files.
    Write("Designers/Anna/Coats/Coat.mac", "Coat");
    Write("Designers/Anna/Coats/Coat.jpg", "Coat's picture");
    if (!WriteTextFile(At("Designers/Anna/Coats/coat.mac"), "coat") ||
        Read("Designers/Anna/Coats/Coat.mac") != "Coat")
        GTEST_SKIP() << "this disk ignores the case of names";
    TypeCollection("Coats");
    std::vector<std::string>& entries = Model().MacroList.entries;
    const auto lower = std::find(entries.begin(), entries.end(), "coat");
    ASSERT_NE(lower, entries.end());
    Model().MacroList.selected = int(lower - entries.begin());
    ui.answers = {MessageAnswer::Yes};
    ui.messages.clear();
    form.DeleteMacroButtonClick();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].text.find("\n\ncoat.mac will be moved"), std::string::npos)
        << ui.messages[0].text;
    EXPECT_FALSE(Exists("Designers/Anna/Coats/coat.mac"));
    EXPECT_EQ(Read("Designers/Anna/Coats/Coat.mac"), "Coat");
    EXPECT_EQ(Read("Designers/Anna/Coats/Coat.jpg"), "Coat's picture");
    EXPECT_EQ(std::count(entries.begin(), entries.end(), "Coat"), 1);
    EXPECT_EQ(std::count(entries.begin(), entries.end(), "coat"), 0);
}

TEST_F(GarmentTest, TheMacroChooserFollowsTheMacroSource) {
    TMainForm& form = StartOnGarments();
    Write("Patterns/Skirt.mac", "");
    Write("Elsewhere/Hat.mac", "");
    form.NewMacroButtonClick();  // cancelled
    EXPECT_EQ(ui.choosers.back().folder, At("Designers"));
    Model().MacroSource.Select(1);
    form.MacroSourceChange();
    EXPECT_TRUE(form.MacroFolderChanged);
    AddGarment(At("Elsewhere/Hat.mac"));
    EXPECT_EQ(ui.choosers.back().folder, At("Patterns"));
    form.NewMacroButtonClick();
    EXPECT_EQ(ui.choosers.back().folder, At("Elsewhere"));
    // The macro source folder of the selection follows at the next selection change.
    TypeCollection("Coats");
    EXPECT_EQ(CurrentMacroSourceFolder(), At("Patterns"));
}

TEST_F(GarmentTest, TheCheckListsMissingFilesAndTables) {
    MakeSampleWorkspace(documents);
    TMainForm& form = Start();
    ASSERT_EQ(CurrentCollection(), kSampleCollection);
    GoTo(Tab::Create);
    RunCheck();
    const std::vector<std::string>& memo = Model().MacroCheckMemo.lines;
    ASSERT_GE(memo.size(), 3u);
    EXPECT_EQ(memo[0], "The following files are missing:");
    EXPECT_EQ(memo[1], "  ");
    EXPECT_NE(std::find(memo.begin(), memo.end(), kSampleMissingFile), memo.end());
    EXPECT_NE(std::find(memo.begin(), memo.end(), "Anna.pdf"), memo.end());
    EXPECT_EQ(Model().MmtList.entries, std::vector<std::string>{kSampleTable});
    EXPECT_FALSE(Model().MissingFilesChecked.visible);
    EXPECT_FALSE(Model().ScanMeasureWarning.visible);
    ASSERT_GE(ui.events.size(), 3u);
    EXPECT_EQ(ui.events.front(), "show processing");
    EXPECT_EQ(ui.events.back(), "hide processing");
    // The first garment scanned is always shown (the listing's order differs between systems).
    EXPECT_NE(
        std::find(ui.events.begin(), ui.events.end(), "label " + Model().MacroList.entries.front()),
        ui.events.end());
    EXPECT_TRUE(ui.messages.empty());

    // The table's panel on the Measures tab.
    GoTo(Tab::Measures);
    EXPECT_FALSE(Model().MmtPdfButton.enabled);
    Model().MmtList.selected = 0;
    form.MmtListClick();
    EXPECT_TRUE(Model().MmtPdfButton.enabled);
    EXPECT_TRUE(Model().MmtPdfChecked.visible);
    EXPECT_EQ(Model().FileText.text, "Standard women's measurements.");
    EXPECT_FALSE(Model().FilePictureChecked.visible);

    // A collection change empties the results.
    TypeCollection(kSampleSecondCollection);
    EXPECT_TRUE(Model().MacroCheckMemo.lines.empty());
    EXPECT_TRUE(Model().MmtList.entries.empty());
}

TEST_F(GarmentTest, ACompleteCollectionReportsEverythingFound) {
    for (const char* base :
         {"Designers/Anna/Anna", "Designers/Anna/Coats/Coats", "Designers/Anna/Coats/Coat"})
        for (const char* extension : {".jpg", ".pdf", ".html", ".txt"})
            Write(std::string(base) + extension);
    Write("Designers/Anna/Coats/Coat.mac", "draw_line(0, 0);\n");
    Start();
    RunCheck();
    EXPECT_EQ(Model().MacroCheckMemo.lines, std::vector<std::string>{"All support files found"});
    EXPECT_TRUE(Model().MmtList.entries.empty());
}

// A name that leads outside is not looked up, and the memo says which line gave it.
TEST_F(GarmentTest, TheCheckListsNamesLeadingOutside) {
    for (const char* base :
         {"Designers/Anna/Anna", "Designers/Anna/Coats/Coats", "Designers/Anna/Coats/Coat"})
        for (const char* extension : {".jpg", ".pdf", ".html", ".txt"})
            Write(std::string(base) + extension);
    Write("Designers/Anna/Coats/Coat.mac", "draw_line(0, 0);\nadd_pict_item(1, \"../../Anna\");\n");
    Start();
    RunCheck();
    const std::vector<std::string>& memo = Model().MacroCheckMemo.lines;
    ASSERT_EQ(memo.size(), 4u);
    EXPECT_EQ(memo[2], "These names were not looked up:");
    EXPECT_TRUE(memo[3].starts_with("Coat.mac line 2: \"../../Anna\": ")) << memo[3];
}

TEST_F(GarmentTest, AFailedCheckShowsItsErrorAndHidesTheProcessingWindow) {
    Write("Designers/Anna/Coats/Coat.mac", "measure_table(\"Women\");\n");
    Write("MeasureTables/Women.mmt", "Women\tcm\t1\nBust\tnot-a-number\tBust girth\tbust\n");
    Start();
    RunCheck();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].text.find("Women.mmt"), std::string::npos);
    EXPECT_EQ(ui.events.back(), "hide processing");
    EXPECT_TRUE(Model().MissingFilesChecked.visible);
}

// A table that is nowhere is listed with the folder it was looked for in.
TEST_F(GarmentTest, DetailsNameTheFolderOfAMissingTable) {
    Write("Designers/Anna/Coats/Coat.mac", "measure_table(\"Men\");\n");
    TMainForm& form = Start();
    form.MissingFilesDetailsClick();
    ASSERT_EQ(ui.reports.size(), 1u);
    const std::string& details = ui.reports[0].second;
    EXPECT_NE(details.find("Men.mmt  in " + RootPath("MeasureTables") + "\n"), std::string::npos)
        << details;
}

TEST_F(GarmentTest, CheckWithoutGarmentsWarnsAndASecondClickIsIgnored) {
    TMainForm& form = StartOnGarments();
    form.CheckMacroButtonClick();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "You must first select a Garment Macro");
    EXPECT_EQ(ui.messages[0].caption, "Warning");
    EXPECT_TRUE(ui.events.empty());

    Write("Designers/Anna/Coats/Coat.mac", "");
    TypeCollection("Coats");
    form.CheckMacroButtonClick();
    EXPECT_TRUE(form.CheckRunning());
    form.CheckMacroButtonClick();  // while the first runs: ignored
    ASSERT_TRUE(dispatcher.RunUntil([&] { return !form.CheckRunning(); }));
    form.WaitForCheck();
    EXPECT_EQ(std::count(ui.events.begin(), ui.events.end(), "show processing"), 1);
    EXPECT_EQ(std::count(ui.events.begin(), ui.events.end(), "hide processing"), 1);
    RunCheck();  // and a later one runs again
    EXPECT_EQ(std::count(ui.events.begin(), ui.events.end(), "hide processing"), 2);
}

// No picture is read or written through a linked folder of the macro's folder or the collection,
// wherever the link points; a name that no path can hold leaves out that picture alone. Each
// is named with its line, and the pictures after them are still copied.
TEST_F(GarmentTest, PicturesAreNeverCopiedThroughALinkOrStoppedByABadName) {
    namespace fs = std::filesystem;
    StartOnGarments();
    Write("Designers/Anna/Anna.jpg", "Anna's own picture");
    Write("Elsewhere/Front.jpg", "outside");
    Write("Designers/Anna/Coats/Coats.jpg");
    Write("Patterns/Work/up/Anna.jpg", "overwritten");
    Write("Patterns/Work/away/x.jpg", "written outside");
    Write("Patterns/Work/ok.jpg", "ok");
    Write("Patterns/Work/Coat1.mac",
          "add_pict_item(1, \"up/Anna.jpg\");\n"
          "add_pict_item(2, \"away/x.jpg\");\n"
          "add_pict_item(3, \"out/Front.jpg\");\n"
          "add_pict_item(4, \"a|b.jpg\");\n"
          "add_pict_item(5, \"ok.jpg\");\n");
    try {
        fs::create_directory_symlink("..", FsPath(At("Designers/Anna/Coats/up")));
        fs::create_directory_symlink(FsPath(At("Elsewhere")),
                                     FsPath(At("Designers/Anna/Coats/away")));
        fs::create_directory_symlink(FsPath(At("Elsewhere")), FsPath(At("Patterns/Work/out")));
    } catch (const fs::filesystem_error& error) {
        GTEST_SKIP() << "no symbolic links here: " << error.what();
    }
    AddGarment(At("Patterns/Work/Coat1.mac"));
    EXPECT_EQ(Read("Designers/Anna/Anna.jpg"), "Anna's own picture");
    EXPECT_FALSE(Exists("Elsewhere/x.jpg"));
    EXPECT_FALSE(Exists("Designers/Anna/Coats/out/Front.jpg"));
    EXPECT_EQ(Read("Designers/Anna/Coats/ok.jpg"), "ok");
    ASSERT_EQ(ui.messages.size(), 1u);
    const std::string& text = ui.messages[0].text;
    for (const char* line :
         {"Coat1.mac line 1: \"up/Anna.jpg\"", "Coat1.mac line 2: \"away/x.jpg\"",
          "Coat1.mac line 3: \"out/Front.jpg\"", "Coat1.mac line 4: \"a|b.jpg\""})
        EXPECT_NE(text.find(line), std::string::npos) << line << " in " << text;
    EXPECT_NE(text.find("symbolic link"), std::string::npos) << text;
    EXPECT_NE(text.find("Invalid characters in path"), std::string::npos) << text;
    EXPECT_EQ(text.find("line 5"), std::string::npos) << text;
}

}  // namespace
}  // namespace kb::test
