#include "app/logic/form_model.h"

#include <algorithm>

#include "foundation/text.h"

namespace kb {

namespace {

Button Labelled(std::string caption, std::string hint = {}) {
    Button b;
    b.caption = std::move(caption);
    b.hint = std::move(hint);
    return b;
}

Button Hidden(std::string caption, std::string hint = {}) {
    Button b = Labelled(std::move(caption), std::move(hint));
    b.visible = false;
    return b;
}

Indicator Warning(std::string hint = {}) {
    Indicator i;
    i.hint = std::move(hint);
    return i;
}

// Help texts are read-only: what is typed or tabbed into them would only be lost.
Edit HelpText() {
    Edit e;
    e.readOnly = true;
    return e;
}

Edit OneLine(std::string hint) {
    Edit e;
    e.hint = std::move(hint);
    return e;
}

ComboBox NameList(std::string hint) {
    ComboBox c;
    c.hint = std::move(hint);
    c.sorted = true;
    return c;
}

ComboBox SourceList() {
    ComboBox c;
    c.editable = false;
    c.entries = {"Stylesmith", "Draftbench"};
    c.text = c.entries.front();
    return c;
}

FileChooser Chooser(std::string name, std::string filter, std::string defaultExtension = {}) {
    FileChooser f;
    f.name = std::move(name);
    f.filter = std::move(filter);
    f.defaultExtension = std::move(defaultExtension);
    return f;
}

const char kHtmlFilter[] = "Html Files|*.html";
const char kPdfFilter[] = "Pdf Files|*.pdf";
const char kReadmeFilter[] = "Text File (*.txt)|*txt";

}  // namespace

int ComboBox::Selected() const {
    auto it = std::find(entries.begin(), entries.end(), text);
    return it == entries.end() ? -1 : int(it - entries.begin());
}

std::string ComboBox::SelectedText() const {
    const int selected = Selected();
    return selected < 0 ? std::string() : entries[size_t(selected)];
}

void ComboBox::Select(int index) {
    text = index >= 0 && index < int(entries.size()) ? entries[index] : std::string();
}

void ComboBox::SetEntries(std::vector<std::string> names) {
    if (sorted)
        std::stable_sort(names.begin(), names.end(), TextOrder());
    entries = std::move(names);
}

std::string ListBox::SelectedText() const {
    return HasSelection() ? entries[selected] : "";
}

std::string ShortHint(const std::string& hint) {
    return hint.substr(0, hint.find('|'));
}

std::string LongHint(const std::string& hint) {
    size_t bar = hint.find('|');
    return bar == std::string::npos ? hint : hint.substr(bar + 1);
}

FormModel::FormModel() {
    caption = "Bobbinwright Kit Binder";
    File1 = Hidden("File");
    Quit1 = Labelled("Quit");
    Ftp1 = Hidden("Upload");
    Create1 = Hidden("Create");
    Help1 = Labelled("Help");
    Help2 = Labelled("Help");
    AboutMenu1 = Labelled("About");
    Edit1 = Labelled("&Edit");
    Undo1 = Labelled("&Undo", "Undo | Nothing to undo");
    Undo1.enabled = false;
    Tabs.captions = {"Designer", "Collection", "Garment", "Measures", "Create"};

    DesignerLabel = Labelled("Designer Name");
    DesignerCombo = NameList("Active Designer | Select Active Designer");
    AddDesignerButton = Labelled("", "Create Designer | Create Designer");
    DeleteDesignerButton = Labelled("", "Delete Designer | Delete Active Designer");
    RenameDesignerButton = Labelled("", "Rename Designer | Rename Active Designer");
    DesignerAddNameHelp = HelpText();
    WebSiteLabel = Labelled("Designer Web Site:");
    WebsiteEdit = OneLine(
        "Web Site Address | (Optional) Enter Website.  Displayed in Add/Remove Programs "
        "(support)");
    WebsiteChecked = Warning("Missing Designer Web Site");
    LicenseFileEdit = Labelled("License", "Install License | (Optional) Select the license file.");
    LicenseChecked = Warning("Missing Designer License");
    DesignerPdfButton = Labelled("PDF", "Designer Pdf | (Optional) Select the Designer Pdf file.");
    DesignerPdfChecked = Warning("Missing Designer PDF");
    DesignerHtmlButton = Labelled(
        "HTML", "Designer Html | (Optional) Select the Designers html file (not website).");
    DesignerHtmlChecked = Warning("Missing Designer HTML");
    DesignerDetailsHelp = HelpText();
    DesignerNextButton = Labelled("Next", "Next Tab | Go to Collection Tab");

    ActiveCollectionLabel = Labelled("Collection Name");
    CollectionCombo = NameList("Active Collection | Select Active Collection");
    AddCollectionButton = Labelled("", "Create Collection | Create Collection");
    DeleteCollectionButton = Labelled("", "Delete Collection | Delete Active Collection");
    RenameCollectionButton = Labelled("", "Rename Collection | Rename Active Collection");
    CollectionAddNameHelp = HelpText();
    CollectionDetailsHelp = HelpText();
    PasswordLabel = Labelled("Collection Password:");
    PasswordEdit = OneLine(
        "Installation Password | (Optional) Enter password if the installation is password "
        "protected");
    SetupImageButton =
        Labelled("Picture", "Setup Image | (Optional) Image displayed in setups splash screen.");
    CollectionImageChecked = Warning("Missing Collection Picture");
    BeforeInstallReadme = Labelled(
        "Before",
        "Before Install Readme | (Optional) Select the before install licensing readme file.");
    BeforeInstallReadmeChecked = Warning("Missing Before Install");
    AfterInstallReadme = Labelled(
        "After",
        "After Install Readme | (Optional) Select the after install licensing readme file.");
    AfterInstallReadmeChecked = Warning("Missing After Install");
    CollectionPdfButton =
        Labelled("PDF", "Collection Pdf | (Optional) Select the Collection Pdf file.");
    CollectionPdfChecked = Warning("Missing Collection PDF");
    CollectionHtmlButton =
        Labelled("HTML", "Collection Html | (Optional) Select the Collection html file.");
    CollectionHtmlChecked = Warning("Missing Collection HTML");
    CollectionNextButton = Labelled("Next", "Next Tab | Go to Garment Tab");

    SourceLabel = Labelled("Macro Source");
    MacroSource = SourceList();
    MacroListHelp = HelpText();
    MacrosLabel = Labelled("Garment Macros");
    NewMacroButton = Labelled("", "Add Garment ");
    DeleteMacroButton = Labelled("", "Remove Garment");
    MacroPdfButton = Labelled("PDF", "Garment Pdf | (Optional) Select the Garment PDF file.");
    MacroHtmlButton = Labelled("HTML", "Garment Html | (Optional) Select the Garment HTML file.");
    GarmentNextButton = Labelled("Next");

    MeasuresLabel1 = Labelled("MEASURES TAB not used for");
    MeasuresLabel2 = Labelled("Macros made by Draftbench");
    MmtListHelp = HelpText();
    MmtListLabel = Labelled("Master Measurement Table (MMT)");
    CheckMmtButton = Labelled("", "Scan MMT|Scan MMT");
    MmtPdfButton = Labelled("PDF", "Measure PDF | (Optional) Select the MMT PDF file.");
    MmtHtmlButton = Labelled("HTML", "Measure Html | (Optional) Select the MMT HTML file.");
    MeasuresNextButton = Labelled("Next", "Next Tab | Go to Create Tab");
    MtbListLabel = Hidden("Table(s) used in Collection (MTB?)");
    UsedMmtHelp = HelpText();
    UsedMmtHelp.visible = false;
    UsedMmtsList.visible = false;
    AddMtbButton = Hidden("", "Add mtb | Add mtb");
    DeleteMtbButton = Hidden("", "Delete mtb | Delete mtb");

    MacroMissingHelp = HelpText();
    MissingFilesLabel = Labelled("Missing Files");
    CheckMacroButton = Labelled("", "Scan Missing Files");
    MissingFilesDetailsButton =
        Labelled("Details...",
                 "Missing file details | Show the missing files by garment and "
                 "table, with their folders");
    CollectionVersionLabel = Labelled("Collection Version");
    CollectionVersionEdit = OneLine(
        "Collection Version | (Optional) Enter Collection Version Number (suggest 0.1 to "
        "start)");
    CreateSetupHelp = HelpText();
    MacroNextButton = Labelled("Create Setup", "Create installation file");
    ShowExplorerButton = Labelled("View Setups", "View Setups Folder");
    TestInstallButton = Labelled("Test install",
                                 "Test install | Install the last setup built in a throwaway wine "
                                 "prefix, uninstall it, and report what was left");
    TestInstallButton.enabled = false;
    LanguageLabel = Hidden("Language (future)");
    ComboBox1 = SourceList();
    ComboBox1.visible = false;

    // The scan warnings start hidden.
    ScanMeasureWarning.visible = false;
    MissingFilesChecked.visible = false;

    FilePictureDialog = Chooser("FilePictureDialog", "Pictures (*.jpg)|*.jpg");
    OpenFileText = Chooser("OpenFileText", "Text File|*.txt|All Files|*.*");
    OpenDesignerHtml = Chooser("OpenDesignerHtml", kHtmlFilter, "html");
    OpenCollectionHtml = Chooser("OpenCollectionHtml", kHtmlFilter, "html");
    OpenZefaHtml = Chooser("OpenZefaHtml", kHtmlFilter, "html");
    OpenMmtHtml = Chooser("OpenMmtHtml", kHtmlFilter, "html");
    OpenDesignerPdf = Chooser("OpenDesignerPdf", kPdfFilter, "pdf");
    OpenCollectionPdf = Chooser("OpenCollectionPdf", kPdfFilter, "pdf");
    OpenZefaPdf = Chooser("OpenZefaPdf", kPdfFilter, "pdf");
    OpenMmtPdf = Chooser("OpenMmtPdf", kPdfFilter, "pdf");
    LicenseDialog = Chooser("LicenseDialog", kReadmeFilter);
    BeforeReadmeDialog = Chooser("BeforeReadmeDialog", kReadmeFilter);
    AfterReadmeDialog = Chooser("AfterReadmeDialog", kReadmeFilter);
    OpenMacro = Chooser("OpenMacro", "Macro Files|*.mac", "mac");
    SaveDialog1 = Chooser("SaveDialog1", "Executables (*.exe)|*.exe", "exe");
    SaveDialog1.save = true;
}

}  // namespace kb
