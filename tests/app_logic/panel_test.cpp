// The right-hand panel, the support-file buttons and the web-site, password and version fields.
#include <filesystem>

#include "app/logic/picture_input.h"
#include "foundation/files.h"
#include "foundation/paths.h"
#include "tests/app_logic/main_form_fixture.h"
#include "tests/support/test_paths.h"
#include "workspace/current_selection.h"

namespace kb::test {
namespace {

const char kDefaultText[] = "Enter text or double-click to load file.";
const char kJpeg[] = "\xFF\xD8 picture";

class PanelTest : public MainFormTest {
  protected:
    TMainForm& StartWithAnna() {
        Write("Designers/Anna/Anna.txt", "About Anna");
        Write("Designers/Anna/Anna.jpg", kJpeg);
        MakeFolder("Designers/Anna/Coats");
        return Start();
    }
    void TypeInPanel(const std::string& text) {
        Model().FileText.text = text;
        Form().FileTextChange();
    }
};

TEST_F(PanelTest, TheDesignerPanelShowsItsFilesOrTheDefaults) {
    struct Case {
        const char* text;  // nullptr: no file
        bool picture;
        bool textMissing;
        std::string shown;
    };
    for (const Case& c :
         {Case{nullptr, false, true, kDefaultText}, Case{"", true, true, kDefaultText},
          Case{kDefaultText, true, true, kDefaultText},
          Case{"Anna sews.", true, false, "Anna sews."},
          Case{"line one\nline two", false, false, "line one\r\nline two"}}) {
        SetCurrentSelection({});
        if (c.text)
            Write("Designers/Anna/Anna.txt", c.text);
        else
            MakeFolder("Designers/Anna");
        if (c.picture)
            Write("Designers/Anna/Anna.jpg", kJpeg);
        else
            Write("Designers/Anna/Anna.jpg", "not a picture");
        Start();
        std::string what = c.text ? c.text : "(none)";
        EXPECT_EQ(Model().FileText.text, c.shown) << what;
        EXPECT_EQ(Model().FileTextChecked.visible, c.textMissing) << what;
        EXPECT_EQ(Model().FilePictureChecked.visible, !c.picture) << what;
        EXPECT_EQ(NameOf(Model().FilePicture.file), c.picture ? "Anna.jpg" : "KB_Designer.jpg");
        EXPECT_TRUE(Model().FileText.enabled);
        EXPECT_EQ(ShortHint(Model().FilePicture.hint), "Click to select Designer Picture ");
        // Showing writes nothing: the file keeps its own line breaks.
        if (c.text)
            EXPECT_EQ(Read("Designers/Anna/Anna.txt"), c.text) << what;
        else
            EXPECT_FALSE(Exists("Designers/Anna/Anna.txt"));
        DeleteFolderTree(At("Designers"));
    }
}

// Looking at an item, and entering and leaving its editor without typing, write no file: not
// the file a linked description leads to, nor a default text.
TEST_F(PanelTest, LookingWritesNothing) {
    const std::string outside = temp + "/outside.txt";
    WriteTextFile(outside, "Anna draws coats.\nOutside.");
    Write("Designers/Anna/Coats/Coats.txt", "Winter\ncoats");
    Write("Designers/Anna/Coats/Trench.mac");
    MakeFolder("Designers/Anna");
    const bool linked = MakeLink(outside, At("Designers/Anna/Anna.txt"), false);
    if (!linked)
        Write("Designers/Anna/Anna.txt", "Anna draws coats.\nOutside.");
    TMainForm& form = Start();
    EXPECT_EQ(Model().FileText.text, "Anna draws coats.\r\nOutside.");
    for (Tab tab : {Tab::Designer, Tab::Collection, Tab::Garment, Tab::Measures, Tab::Create,
                    Tab::Designer}) {
        GoTo(tab);
        if (tab == Tab::Garment) {
            Model().MacroList.selected = 0;
            form.MacroListClick();
        }
        form.FileTextEnter();
        form.FileTextExit();
        form.FileTextEnter();
    }
    GoTo(Tab::Collection);
    EXPECT_EQ(ReadTextFile(outside), "Anna draws coats.\nOutside.");
    EXPECT_EQ(Read("Designers/Anna/Coats/Coats.txt"), "Winter\ncoats");
    EXPECT_FALSE(Exists("Designers/Anna/Coats/Trench.txt"));
    if (linked) {
        EXPECT_TRUE(std::filesystem::is_symlink(FsPath(At("Designers/Anna/Anna.txt"))));
    }
    // What the person types is written, with the editor's line breaks.
    TypeInPanel("Winter\r\ncoats!");
    EXPECT_EQ(Read("Designers/Anna/Coats/Coats.txt"), "Winter\r\ncoats!");
}

TEST_F(PanelTest, EveryKeystrokeIsSavedAndTabsSaveWhatWasEntered) {
    TMainForm& form = StartWithAnna();
    form.FileTextEnter();
    EXPECT_TRUE(form.ItemTextDirty);
    TypeInPanel("About Anna!");
    EXPECT_EQ(Read("Designers/Anna/Anna.txt"), "About Anna!");
    EXPECT_FALSE(Model().FileTextChecked.visible);
    TypeInPanel("Two\nlines");
    EXPECT_EQ(Read("Designers/Anna/Anna.txt"), "Two\r\nlines");

    // Leaving the tab saves the entered text (the editor still had the focus).
    GoTo(Tab::Collection);
    EXPECT_EQ(Read("Designers/Anna/Anna.txt"), "Two\r\nlines");
    // The panel was filled anew: nothing of the collection is pending, so leaving the editor
    // does not write the default text into the collection's file.
    EXPECT_FALSE(form.ItemTextDirty);
    EXPECT_EQ(Model().FileText.text, kDefaultText);
    form.FileTextExit();
    EXPECT_FALSE(Exists("Designers/Anna/Coats/Coats.txt"));

    // Typing into the default text of the collection writes its file.
    TypeInPanel("Coats for rain");
    EXPECT_EQ(Read("Designers/Anna/Coats/Coats.txt"), "Coats for rain");
}

TEST_F(PanelTest, DoubleClickLoadsAFileIntoTheItemText) {
    Write("Designers/Anna/Coats/Trench.mac", "");
    Write("Designers/Anna/Coats/Coats.txt", "Coats");
    TMainForm& form = StartWithAnna();
    std::string picked = temp + "/picked.txt";
    WriteTextFile(picked, "From a file\nwith two lines");

    form.FileTextDblClick();  // cancelled: nothing
    EXPECT_EQ(Read("Designers/Anna/Anna.txt"), "About Anna");
    EXPECT_EQ(ui.choosers.back().name, "OpenFileText");
    EXPECT_EQ(ui.choosers.back().filter, "Text File|*.txt|All Files|*.*");

    ui.picks = {picked};
    form.FileTextDblClick();
    EXPECT_EQ(Read("Designers/Anna/Anna.txt"), "From a file\r\nwith two lines");
    EXPECT_EQ(Model().FileText.text, "From a file\r\nwith two lines");
    EXPECT_FALSE(Model().FileTextChecked.visible);

    // A garment's text ends as an exact copy of the picked file.
    GoTo(Tab::Garment);
    Model().MacroList.selected = 0;
    form.MacroListClick();
    ui.picks = {picked};
    form.FileTextDblClick();
    EXPECT_EQ(Read("Designers/Anna/Coats/Trench.txt"), "From a file\nwith two lines");

    GoTo(Tab::Create);
    size_t choosers = ui.choosers.size();
    form.FileTextDblClick();
    EXPECT_EQ(ui.choosers.size(), choosers);
}

TEST_F(PanelTest, PictureAndDocumentButtonsCopyOverTheItemFiles) {
    TMainForm& form = StartWithAnna();
    std::string picture = temp + "/new.jpg";
    WriteTextFile(picture, "\xFF\xD8 new");
    ui.picks = {picture};
    form.PictureClick();
    EXPECT_EQ(ui.choosers.back().filter, "Pictures (*.jpg)|*.jpg");
    EXPECT_EQ(Read("Designers/Anna/Anna.jpg"), "\xFF\xD8 new");

    ui.picks = {At("Designers/Anna/Anna.jpg")};  // the target itself: nothing changes
    form.PictureClick();
    EXPECT_EQ(Read("Designers/Anna/Anna.jpg"), "\xFF\xD8 new");

    EXPECT_TRUE(Model().DesignerPdfChecked.visible);
    std::string pdf = temp + "/doc.pdf";
    WriteTextFile(pdf, "pdf");
    ui.picks = {pdf};
    form.DesignerPdfButtonClick();
    EXPECT_EQ(ui.choosers.back().name, "OpenDesignerPdf");
    EXPECT_EQ(ui.choosers.back().defaultExtension, "pdf");
    EXPECT_EQ(Read("Designers/Anna/Anna.pdf"), "pdf");
    EXPECT_FALSE(Model().DesignerPdfChecked.visible);
    EXPECT_EQ(Model().OpenDesignerPdf.folder, temp);  // opens where it was left

    EXPECT_TRUE(Model().LicenseChecked.visible);
    ui.picks = {pdf};
    form.LicenseFileEditClick();
    EXPECT_EQ(ui.choosers.back().folder, At("Designers"));
    EXPECT_EQ(Read("Designers/Anna/Anna_License.txt"), "pdf");
    EXPECT_FALSE(Model().LicenseChecked.visible);

    GoTo(Tab::Collection);
    for (auto click : {&TMainForm::BeforeInstallReadmeClick, &TMainForm::AfterInstallReadmeClick,
                       &TMainForm::CollectionHtmlButtonClick}) {
        ui.picks = {pdf};
        (form.*click)();
    }
    EXPECT_EQ(Read("Designers/Anna/Coats/Coats_BeforeInstall.txt"), "pdf");
    EXPECT_EQ(Read("Designers/Anna/Coats/Coats_AfterInstall.txt"), "pdf");
    EXPECT_EQ(Read("Designers/Anna/Coats/Coats.html"), "pdf");
    EXPECT_FALSE(Model().BeforeInstallReadmeChecked.visible);
    EXPECT_FALSE(Model().AfterInstallReadmeChecked.visible);
    EXPECT_FALSE(Model().CollectionHtmlChecked.visible);
    EXPECT_TRUE(Model().CollectionPdfChecked.visible);
}

TEST_F(PanelTest, ThePictureDialogGivesTheCollectionASetupPicture) {
    TMainForm& form = StartWithAnna();
    GoTo(Tab::Collection);
    EXPECT_TRUE(Model().CollectionImageChecked.visible);
    form.LoadImageButtonClick();
    EXPECT_TRUE(Exists("Designers/Anna/Coats/Coats_mini.bmp"));
    EXPECT_EQ(NameOf(ui.lastPreview), "Coats_mini.bmp");
    EXPECT_FALSE(Model().CollectionImageChecked.visible);

    // A picked file that is no bitmap is copied, and the preview falls back to the default.
    std::string junk = temp + "/junk.bmp";
    WriteTextFile(junk, "junk");
    ui.picks = {junk};
    ui.pictureDialog = [](PictureInput& picture) { picture.PictureClick(); };
    form.LoadImageButtonClick();
    EXPECT_EQ(Read("Designers/Anna/Coats/Coats_mini.bmp"), "junk");
    EXPECT_EQ(NameOf(ui.lastPreview), "Kitbinder.bmp");
    EXPECT_EQ(ui.choosers.back().filter, "Bitmaps (*.bmp)|*.bmp");
}

TEST_F(PanelTest, WebsitePasswordAndVersionFields) {
    TMainForm& form = StartWithAnna();
    // Typed letter by letter, a blank between two words stays; it is saved as typed.
    for (const char* typed : {"my", "my ", "my site"}) {
        Model().WebsiteEdit.text = typed;
        form.WebsiteEditChange();
        EXPECT_EQ(Model().WebsiteEdit.text, typed);
        EXPECT_EQ(Read("Designers/Anna/Website.txt"), typed);
    }
    Model().WebsiteEdit.text = "  word  ";
    form.WebsiteEditExit();
    EXPECT_EQ(Read("Designers/Anna/Website.txt"), "word");
    EXPECT_EQ(Model().WebsiteEdit.text, "word");
    EXPECT_FALSE(Model().WebsiteChecked.visible);
    Model().WebsiteEdit.text = "";
    form.WebsiteEditChange();
    EXPECT_TRUE(Exists("Designers/Anna/Website.txt"));
    EXPECT_EQ(Read("Designers/Anna/Website.txt"), "");
    EXPECT_TRUE(Model().WebsiteChecked.visible);

    form.PasswordEditExit();  // unchanged: nothing written
    form.CollectionVersionEditExit();
    EXPECT_FALSE(Exists("Designers/Anna/Coats/Password.txt"));
    EXPECT_FALSE(Exists("Designers/Anna/Coats/CollectionVersion.txt"));
    Model().PasswordEdit.text = " pa$$ ";
    form.PasswordEditExit();
    EXPECT_EQ(Read("Designers/Anna/Coats/Password.txt"), " pa$$ ");
    EXPECT_EQ(form.Data.password, " pa$$ ");
    Model().CollectionVersionEdit.text = "2.1";
    form.CollectionVersionEditExit();
    EXPECT_EQ(Read("Designers/Anna/Coats/CollectionVersion.txt"), "2.1");
    EXPECT_EQ(form.Data.version, "2.1");
    EXPECT_TRUE(Model().PasswordEdit.enabled);

    // With no collection selected the fields take nothing: no file in the designer folder.
    GoTo(Tab::Collection);
    TypeCollection("New");
    EXPECT_FALSE(Model().PasswordEdit.enabled);
    Model().PasswordEdit.text = "secret";
    form.PasswordEditExit();
    GoTo(Tab::Create);
    EXPECT_FALSE(Model().CollectionVersionEdit.enabled);
    Model().CollectionVersionEdit.text = "3.0";
    form.CollectionVersionEditExit();
    EXPECT_FALSE(Exists("Designers/Anna/Password.txt"));
    EXPECT_FALSE(Exists("Designers/Anna/CollectionVersion.txt"));
}

// The picture chooser opens in the item's folder, not in the program's working folder.
TEST_F(PanelTest, ThePictureChooserOpensInTheItemsFolder) {
    Write("Designers/Anna/Coats/Trench.mac");
    TMainForm& form = StartWithAnna();
    const struct {
        Tab tab;
        const char* folder;
    } cases[] = {{Tab::Designer, "Designers/Anna"},
                 {Tab::Collection, "Designers/Anna/Coats"},
                 {Tab::Garment, "Designers/Anna/Coats"}};
    for (const auto& c : cases) {
        GoTo(c.tab);
        Model().FilePictureDialog.folder = temp;  // where the last picture came from
        if (c.tab == Tab::Garment) {
            Model().MacroList.selected = 0;
            form.MacroListClick();
        }
        form.PictureClick();
        ASSERT_FALSE(ui.choosers.empty());
        EXPECT_EQ(ui.choosers.back().folder, At(c.folder)) << c.folder;
    }
}

}  // namespace
}  // namespace kb::test
