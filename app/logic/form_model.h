#pragma once
// The state of the main window's controls, kept in plain C++ so that the window's rules can run
// and be tested without a toolkit. Every member is named after the control it stands for; the
// window binds each widget to the member of the same name (objectName).
//
// How a view uses it:
// - after every handler call (and whenever UserInterface::FormChanged is called) it copies the
//   model into its widgets, with the widgets' own change signals blocked;
// - when the person changes a control, it writes the new value into the model member first and
//   then calls the handler (e.g. form.DesignerCombo.text = typed; logic.DesignerComboChange()).
// `revision` grows by one each time the logic reports a change, so a view may also poll it.
#include <cstdint>
#include <string>
#include <vector>

namespace kb {

// The wizard's pages, in order; the value is the page index that is stored between runs.
enum class Tab { Designer = 0, Collection = 1, Garment = 2, Measures = 3, Create = 4 };
constexpr int kTabCount = 5;

// What every control has. Hints are "short|long" (see ShortHint/LongHint).
struct Control {
    bool enabled = true;
    bool visible = true;
    std::string hint;
};

// Labels, buttons, icon buttons and menu items: a caption and a click.
struct Button : Control {
    std::string caption;
};

// A 16 x 16 missing-file warning picture; its `visible` is what the rules compute.
struct Indicator : Control {};

// A one-line edit, or a multi-line help text (lines separated by "\n").
struct Edit : Control {
    std::string text;
    bool readOnly = false;
};

// The item description editor of the right-hand panel. Its text holds CR LF line breaks (the
// form in which it is written to the item's text file): a view converts when it compares.
struct TextEditor : Edit {
    int tag = 0;  // 1 only while the default text is being put in
    // The sentence shown when the item has no text of its own: while the editor holds exactly
    // it, gaining the focus selects it all, so that typing replaces it.
    std::string placeholder;
    bool focused = false;  // kept by FileTextEnter / FileTextExit
};

// A read-only multi-line text shown line by line.
struct Memo : Control {
    std::vector<std::string> lines;
};

// A drop-down list. Editable ones show a typed text that may match no entry; the selected
// entry is always the first entry equal (exactly) to the shown text, none when there is none.
// Sorted ones keep their entries in the order of kb::TextOrder.
struct ComboBox : Control {
    std::vector<std::string> entries;
    std::string text;
    bool editable = true;
    bool sorted = false;

    int Selected() const;
    // The selected entry's text; "" when the shown text is none of the entries.
    std::string SelectedText() const;
    // Shows entry index; -1 (or any index out of range) selects nothing and empties the text.
    void Select(int index);
    // Replaces the entries (sorted when the box is sorted); the shown text stays.
    void SetEntries(std::vector<std::string> names);
};

// A list of entries that may repeat, with at most one selected.
struct ListBox : Control {
    std::vector<std::string> entries;
    int selected = -1;

    bool HasSelection() const { return selected >= 0 && selected < int(entries.size()); }
    // The selected entry's text; "" when none.
    std::string SelectedText() const;
};

// A picture box: the file whose picture it shows, "" when it shows none.
struct PictureBox : Control {
    std::string file;
};

// The tab control: the page shown, and the page whose header is drawn highlighted (they differ
// after the page restored at start-up, until the next tab change).
struct TabControl : Control {
    Tab active = Tab::Designer;
    Tab highlighted = Tab::Designer;
    std::vector<std::string> captions;
};

// A file chooser of the window. `folder` is where it opens next; the logic moves it to the
// folder of each file picked. `fileName` is the name preset in it (save choosers).
struct FileChooser {
    std::string name;  // the chooser's own name, e.g. "OpenMacro"
    std::string filter;
    std::string defaultExtension;
    std::string folder;
    std::string fileName;
    bool save = false;
};

// Every control of the main window that the rules touch, with its captions and hints.
struct FormModel {
    FormModel();

    std::uint64_t revision = 0;

    // Window and menu.
    std::string caption;
    Button File1, Quit1, Ftp1, Create1, Help1, Help2, AboutMenu1;
    Button Edit1, Undo1;  // Undo puts back the last delete
    TabControl Tabs;
    Edit StatusBar;

    // Right-hand panel.
    PictureBox FilePicture;
    Indicator FilePictureChecked;
    TextEditor FileText;
    Indicator FileTextChecked;

    // Designer tab.
    Button DesignerLabel;
    ComboBox DesignerCombo;
    Button AddDesignerButton, DeleteDesignerButton, RenameDesignerButton;
    Edit DesignerAddNameHelp;
    Button WebSiteLabel;
    Edit WebsiteEdit;
    Indicator WebsiteChecked;
    Button LicenseFileEdit;
    Indicator LicenseChecked;
    Button DesignerPdfButton;
    Indicator DesignerPdfChecked;
    Button DesignerHtmlButton;
    Indicator DesignerHtmlChecked;
    Edit DesignerDetailsHelp;
    Button DesignerNextButton;

    // Collection tab.
    Button ActiveCollectionLabel;
    ComboBox CollectionCombo;
    Button AddCollectionButton, DeleteCollectionButton, RenameCollectionButton;
    Edit CollectionAddNameHelp, CollectionDetailsHelp;
    Button PasswordLabel;
    Edit PasswordEdit;
    Button SetupImageButton;
    Indicator CollectionImageChecked;
    Button BeforeInstallReadme;
    Indicator BeforeInstallReadmeChecked;
    Button AfterInstallReadme;
    Indicator AfterInstallReadmeChecked;
    Button CollectionPdfButton;
    Indicator CollectionPdfChecked;
    Button CollectionHtmlButton;
    Indicator CollectionHtmlChecked;
    Button CollectionNextButton;

    // Garment tab.
    Button SourceLabel;
    ComboBox MacroSource;
    Edit MacroListHelp;
    Button MacrosLabel;
    Indicator GarmentExistsCheck;
    ListBox MacroList;
    Button NewMacroButton, DeleteMacroButton;
    Button MacroPdfButton, MacroHtmlButton;
    Indicator MacroPdfChecked, MacroHtmlChecked;
    Button GarmentNextButton;

    // Measures tab.
    Button MeasuresLabel1, MeasuresLabel2;
    Edit MmtListHelp;
    Button MmtListLabel;
    Button CheckMmtButton;
    Indicator ScanMeasureWarning;
    ListBox MmtList;
    Button MmtPdfButton, MmtHtmlButton;
    Indicator MmtPdfChecked, MmtHtmlChecked;
    Button MeasuresNextButton;
    Button MtbListLabel;                   // hidden
    Edit UsedMmtHelp;                      // hidden
    ListBox UsedMmtsList;                  // hidden
    Button AddMtbButton, DeleteMtbButton;  // hidden

    // Create tab.
    Edit MacroMissingHelp;
    Button MissingFilesLabel;
    Button CheckMacroButton;
    Indicator MissingFilesChecked;
    Memo MacroCheckMemo;
    Button MissingFilesDetailsButton;
    Button CollectionVersionLabel;
    Edit CollectionVersionEdit;
    Edit CreateSetupHelp;
    Button MacroNextButton;
    Button ShowExplorerButton;
    Button TestInstallButton;  // enabled once a setup was built
    Button LanguageLabel;      // hidden
    ComboBox ComboBox1;        // hidden second macro-source list

    // File choosers.
    FileChooser FilePictureDialog, OpenFileText;
    FileChooser OpenDesignerHtml, OpenCollectionHtml, OpenZefaHtml, OpenMmtHtml;
    FileChooser OpenDesignerPdf, OpenCollectionPdf, OpenZefaPdf, OpenMmtPdf;
    FileChooser LicenseDialog, BeforeReadmeDialog, AfterReadmeDialog;
    FileChooser OpenMacro, SaveDialog1;
};

// The part of a hint before the first "|" (tooltip) and the part after it (status bar); a hint
// without "|" is both.
std::string ShortHint(const std::string& hint);
std::string LongHint(const std::string& hint);

}  // namespace kb
