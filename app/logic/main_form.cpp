// The main form: handler boundary, start-up and shutdown, tabs and their refresh rules, menu.
#include "app/logic/main_form.h"

#include <clocale>
#include <filesystem>
#include <initializer_list>
#include <optional>

#include "foundation/files.h"
#include "foundation/paths.h"
#include "foundation/settings_store.h"
#include "foundation/text.h"
#include "workspace/current_selection.h"
#include "workspace/load_thread.h"
#include "workspace/workspace_paths.h"

namespace kb {

namespace {

const char kDefaultItemText[] = "Enter text or double-click to load file.";

std::string ReadUserSetting(std::string_view name) {
    return ReadSetting(SettingsRoot::CurrentUser, name, "");
}

// A stored tab index: a whole number 0 to 4, nothing otherwise.
std::optional<Tab> ParseTab(const std::string& text) {
    if (text.size() != 1 || text[0] < '0' || text[0] >= char('0' + kTabCount))
        return std::nullopt;
    return Tab(text[0] - '0');
}

std::string WorkingDirectory() {
    std::error_code ec;
    std::string folder = PathText(std::filesystem::current_path(ec));
    return ec ? std::string() : folder;
}

void SetEnabled(std::initializer_list<Control*> controls, bool enabled) {
    for (Control* control : controls)
        control->enabled = enabled;
}

bool MissingBeside(const std::string& folder, const std::string& name) {
    return !FileExists(InFolder(folder, name));
}

}  // namespace

void ShowApplicationError(UserInterface& ui, const std::string& text) {
    ui.ShowMessage(text, "Kitbinder", MessageButtons::Ok, MessageIcon::Error);
}

// Marks the calls below it as nested: they let errors pass to the outermost handler.
class TMainForm::HandlerScope {
  public:
    explicit HandlerScope(int& depth) : depth_(depth) { ++depth_; }
    ~HandlerScope() { --depth_; }
    HandlerScope(const HandlerScope&) = delete;
    HandlerScope& operator=(const HandlerScope&) = delete;

  private:
    int& depth_;
};

TMainForm::TMainForm(UserInterface& ui, UiDispatcher& dispatcher)
    : ui_(ui), dispatcher_(dispatcher), alive_(std::make_shared<std::atomic<bool>>(true)) {}

TMainForm::~TMainForm() {
    *alive_ = false;
    CancelCheck();
    AbandonSetupBuild();
}

void TMainForm::Handle(const std::function<void()>& body) {
    if (handlerDepth_ > 0) {
        body();
        return;
    }
    {
        HandlerScope scope(handlerDepth_);
        try {
            body();
        } catch (const std::exception& error) {
            ShowApplicationError(ui_, error.what());
        }
    }
    Notify();
}

void TMainForm::Notify() {
    ++form.revision;
    ui_.FormChanged();
}

MessageAnswer TMainForm::Message(const std::string& text, const std::string& caption,
                                 MessageButtons buttons, MessageIcon icon) {
    Notify();  // the view shows the form as it is now behind the box
    return ui_.ShowMessage(text, caption, buttons, icon);
}

std::optional<std::string> TMainForm::Choose(FileChooser& chooser) {
    std::optional<std::string> picked;
    // A dropped file answers in place of the person.
    if (droppedFile_) {
        picked.swap(droppedFile_);
        return picked;
    }
    Notify();
    picked = ui_.ChooseFile(chooser);
    if (picked && !picked->empty())
        chooser.folder = FolderOf(*picked);
    if (picked && picked->empty())
        picked.reset();
    return picked;
}

// --- Start-up and shutdown ---

void TMainForm::FormCreate() {
    {
        HandlerScope scope(handlerDepth_);
        std::setlocale(LC_NUMERIC, "C");
        StartupDone = false;
        form.MacroSource.Select(0);
        form.Tabs.active = Tab::Designer;
        form.Tabs.highlighted = Tab::Designer;
        PreviousTab = Tab::Designer;
        RefreshDesignerTab(true);
        std::string installations = RootPath("Installations");
        try {
            EnsureFolder(installations);
        } catch (const std::exception&) {
            // The folder is made again when a designer is added; nothing to report here.
        }
        form.SaveDialog1.folder = installations;
        FillDesignerList();
        StartDirectory = WorkingDirectory();
        ShowTestInstallForOwnCompiler();
        RefreshActiveTab(true);
        FillHelpTexts();
        StartupDone = true;
        form.OpenMmtPdf.folder = RootPath("MeasureTables");
        form.OpenMmtHtml.folder = form.OpenMmtPdf.folder;

        std::string designer = ReadUserSetting("Designer");
        // The list chose its first designer already; another stored one is changed to.
        for (int i = 0; i < int(form.DesignerCombo.entries.size()); ++i) {
            if (form.DesignerCombo.entries[i] == designer) {
                if (form.DesignerCombo.Selected() != i) {
                    form.DesignerCombo.Select(i);
                    DesignerComboChange();
                }
                break;
            }
        }
        if (std::optional<Tab> tab = ParseTab(ReadUserSetting("Tab"))) {
            form.Tabs.active = *tab;
            form.Tabs.highlighted = *tab;
            RefreshActiveTab(true);
        }
    }
    Notify();
}

void TMainForm::FormDestroy() {
    Handle([&] {
        std::string designer = CurrentDesigner();
        WriteSetting(SettingsRoot::CurrentUser, "Designer", designer);
        WriteSetting(SettingsRoot::CurrentUser, designer + "_ActiveCollection",
                     form.CollectionCombo.SelectedText());
        WriteSetting(SettingsRoot::CurrentUser, "Tab", std::to_string(int(form.Tabs.active)));
    });
}

// --- Tabs ---

void TMainForm::TabsChange() {
    Handle([&] {
        Tab page = form.Tabs.active;
        if (DesignerError && (page == Tab::Collection || page == Tab::Garment)) {
            form.Tabs.active = Tab::Designer;
            ShowNotice("No designer selected\nor\nThere are designer errors");
        } else if (CollectionError && page == Tab::Garment) {
            form.Tabs.active = Tab::Collection;
            ShowNotice("No collection selected\nor\nThere are collection errors");
        }
        SaveItemText();
        PreviousTab = form.Tabs.active;
        form.Tabs.highlighted = form.Tabs.active;
        RefreshActiveTab(true);
    });
}

// A Next button: the program shows the page, then the tab change runs as after a click.
void TMainForm::ShowPage(Tab page) {
    Handle([&] {
        form.Tabs.active = page;
        TabsChange();
    });
}

void TMainForm::DesignerNextButtonClick() {
    ShowPage(Tab::Collection);
}

void TMainForm::CollectionNextButtonClick() {
    ShowPage(Tab::Garment);
}

void TMainForm::GarmentNextButtonClick() {
    ShowPage(Tab::Measures);
}

void TMainForm::MeasuresNextButtonClick() {
    ShowPage(Tab::Create);
}

void TMainForm::ShowNotice(const std::string& text) {
    Handle([&] {
        if (!Trim(text).empty())
            Message(text, "Kitbinder", MessageButtons::Ok, MessageIcon::None);
    });
}

void TMainForm::ShowHintInStatusBar(const std::string& hint) {
    Handle([&] { form.StatusBar.text = LongHint(hint); });
}

// --- Refresh rules ---

void TMainForm::RefreshActiveTab(bool reload) {
    Handle([&] {
        switch (form.Tabs.active) {
            case Tab::Designer:
                RefreshDesignerTab(reload);
                break;
            case Tab::Collection:
                RefreshCollectionTab(reload);
                break;
            case Tab::Garment:
                RefreshGarmentTab(reload);
                break;
            case Tab::Measures:
                RefreshMeasuresTab(reload);
                break;
            case Tab::Create:
                RefreshCreateTab();
                break;
        }
    });
}

void TMainForm::ShowTabItem(Tab tab) {
    Item item = ItemOf(tab);
    ShowItemInPanel(item.base, item.defaultPicture, item.defaultText, item.pictureHint,
                    item.textHint);
    panelTextFile_ = ItemFile(tab, "txt");
}

void TMainForm::RefreshCreateTab() {
    ShowTabItem(Tab::Create);
    form.FileText.enabled = false;
    form.CollectionVersionEdit.enabled = !CurrentCollection().empty();
    form.FilePictureChecked.visible = false;
}

void TMainForm::RefreshDesignerTab(bool reload) {
    Handle([&] {
        if (reload) {
            ShowTabItem(Tab::Designer);
        }
        const std::string& typed = form.DesignerCombo.text;
        form.AddDesignerButton.enabled = !typed.empty() && !FolderExists(DesignersFolder(typed));
        bool valid = DesignerIsValid();
        DesignerError = form.DesignerCombo.entries.empty() || !valid;
        SetEnabled({&form.DeleteDesignerButton, &form.RenameDesignerButton, &form.WebsiteEdit,
                    &form.DesignerHtmlButton, &form.DesignerPdfButton, &form.FilePicture,
                    &form.FileText, &form.LicenseFileEdit},
                   valid);
        std::string folder = CurrentDesignerFolder();
        std::string designer = CurrentDesigner();
        form.LicenseChecked.visible = valid && MissingBeside(folder, designer + "_License.txt");
        form.DesignerHtmlChecked.visible = valid && MissingBeside(folder, designer + ".html");
        form.DesignerPdfChecked.visible = valid && MissingBeside(folder, designer + ".pdf");
        form.DesignerNextButton.enabled = !DesignerError;
    });
}

void TMainForm::RefreshCollectionTab(bool reload) {
    Handle([&] {
        if (reload) {
            ShowTabItem(Tab::Collection);
        }
        CollectionError = false;
        bool designers = !form.DesignerCombo.entries.empty();
        std::string designerFolder = CurrentDesignerFolder();
        const std::string& typed = form.CollectionCombo.text;
        form.AddCollectionButton.enabled =
            designers && !typed.empty() && !FolderExists(InFolder(designerFolder, typed));
        if (!designers || form.CollectionCombo.entries.empty())
            CollectionError = true;
        form.CollectionCombo.enabled = designers;
        bool valid = designers && CollectionIsValid();
        form.DeleteCollectionButton.enabled = valid;
        form.RenameCollectionButton.enabled = valid;
        int selected = form.CollectionCombo.Selected();
        if (!designers || selected < 0)
            CollectionError = true;
        SetEnabled({&form.CollectionHtmlButton, &form.CollectionPdfButton, &form.FileText,
                    &form.FilePicture, &form.SetupImageButton, &form.BeforeInstallReadme,
                    &form.AfterInstallReadme},
                   valid);
        std::string folder = CurrentCollectionFolder();
        std::string collection = form.CollectionCombo.SelectedText();
        form.BeforeInstallReadmeChecked.visible =
            valid && MissingBeside(folder, collection + "_BeforeInstall.txt");
        form.AfterInstallReadmeChecked.visible =
            valid && MissingBeside(folder, collection + "_AfterInstall.txt");
        form.CollectionImageChecked.visible =
            valid && MissingBeside(folder, collection + "_mini.bmp");
        form.CollectionHtmlChecked.visible = valid && MissingBeside(folder, collection + ".html");
        form.CollectionPdfChecked.visible = valid && MissingBeside(folder, collection + ".pdf");
        form.CollectionNextButton.enabled = !CollectionError;
        // The password is the selected collection's: with none selected it has no file.
        form.PasswordEdit.enabled = !CurrentCollection().empty();
    });
}

void TMainForm::RefreshGarmentTab(bool reload) {
    Handle([&] {
        bool lists = !form.DesignerCombo.entries.empty() && !form.CollectionCombo.entries.empty();
        GarmentError = !lists;
        form.MacroList.enabled = lists;
        form.NewMacroButton.enabled = lists;
        form.MacroCheckMemo.enabled = lists;
        bool selected = lists && form.MacroList.HasSelection();
        form.DeleteMacroButton.enabled = selected;
        form.MacroHtmlButton.enabled = selected;
        form.MacroPdfButton.enabled = selected;
        if (reload) {
            ShowTabItem(Tab::Garment);
            form.FileText.enabled = selected;
        }
        if (form.MacroList.entries.empty())
            GarmentError = true;
        std::string folder = CurrentCollectionFolder();
        std::string garment = form.MacroList.SelectedText();
        form.MacroPdfChecked.visible = selected && MissingBeside(folder, garment + ".pdf");
        form.MacroHtmlChecked.visible = selected && MissingBeside(folder, garment + ".html");
        form.MacroNextButton.enabled = !GarmentError;
        form.CheckMacroButton.enabled = lists && !form.MacroList.entries.empty();
        form.MissingFilesDetailsButton.enabled = form.CheckMacroButton.enabled;
    });
}

void TMainForm::RefreshMeasuresTab(bool reload) {
    Handle([&] {
        bool selected = form.MmtList.HasSelection();
        form.MmtHtmlButton.enabled = selected;
        form.MmtPdfButton.enabled = selected;
        form.GarmentNextButton.enabled = true;
        if (reload) {
            ShowTabItem(Tab::Measures);
            form.FileText.enabled = selected;
        }
        std::string folder = RootPath("MeasureTables");
        std::string table = form.MmtList.SelectedText();
        form.MmtPdfChecked.visible = selected && MissingBeside(folder, table + ".pdf");
        form.MmtHtmlChecked.visible = selected && MissingBeside(folder, table + ".html");
    });
}

void TMainForm::FillHelpTexts() {
    Handle([&] {
        const std::pair<Edit*, const char*> texts[] = {
            {&form.DesignerAddNameHelp,
             "Create a new designer by typing a new name and clicking the + button.\n\n"
             "          OR\n\nSelect the designer from the drop down box.\n\n"
             "The designer can be deleted (X) or renamed (<- ->) with the icon buttons.\n\n"
             "You can select the designer picture and text files on the right side."},
            {&form.DesignerDetailsHelp,
             "Optional Support Files\n\nDURING INSTALLATION:\n\n*Website:  URL of your "
             "website.\n*License:  Designer license .txt file.\n\nWHEN RUNNING A MACRO:\n\n"
             "*PDF file:  after selecting a Designer the PDF button is displayed.\n"
             "*HTML file:  after selecting a Designer the HTML button is displayed."},
            {&form.CollectionAddNameHelp,
             "Create a new collection by typing a name and clicking the + button.\n\n"
             "                         OR\n\nSelect the collection from the drop down box.\n\n"
             "The collection can be deleted (X) or renamed (<- ->) with the icon buttons.\n\n"
             "You can select the collection picture and text files on the right side."},
            {&form.CollectionDetailsHelp,
             "Optional Support Files\n\nDURING INSTALLATION:\n\n*Password:  used for protected "
             "install.\n*BMP Picture:  displayed during install.\n*Before: .txt file Before "
             "install.\n*After: .txt file After install.\n\nWHEN RUNNING A MACRO:\n\n*PDF file:  "
             "after selecting a Collection the PDF button is displayed.\n*HTML file:  after "
             "selecting a Collection the HTML button is displayed."},
            {&form.MacroListHelp,
             "Macro Source determines if it was\ncreated by Stylesmith or\nDraftbench.\n\n"
             "Click the + Button to add a garment macro.\n\nCLICK to select a garment (.mac "
             "file), then add a PDF or HTML file for that garment."},
            {&form.MacroMissingHelp,
             "Click the Scan Missing Files icon (magnifying glass) to scan all the garment "
             "macros to see if the support files can be located.\n\nYou can skip this step if "
             "there is no yellow warning on the icon."},
            {&form.MmtListHelp,
             "Click the Scan MMT icon (magnifying glass) to show the Master Measurement "
             "Table(s) that are used by the Garment Macros.\n\nSelect the MMT from the list.\n"
             "Then select the corresponding .jpg and .txt files on the right side."},
            {&form.UsedMmtHelp, "List of the Measurement Table(s)\nused in the Collection"},
            {&form.CreateSetupHelp,
             "Click the Create Setup button to create your Setup file (*.exe) under \n"
             "Designers\\Installations\n\nClick the View Setups buttons to view your Setup file "
             "in the Installations folder"},
        };
        for (const auto& [edit, content] : texts) {
            if (Trim(edit->text).empty())
                edit->text = content;
        }
    });
}

// --- Menu ---

void TMainForm::Quit1Click() {
    Handle([&] { ui_.CloseMainWindow(); });
}

void TMainForm::Help2Click() {
    Handle([&] {
        std::string help = PathJoin(WorkingDirectory(), "KBinder.chm");
        if (!FileExists(help))
            Message("The help file \"" + help + "\" was not found.", "Kitbinder",
                    MessageButtons::Ok, MessageIcon::Warning);
        else if (!ui_.OpenDocument(help))
            Message("The help file \"" + help +
                        "\" could not be opened: no program opens it on this desktop.",
                    "Kitbinder", MessageButtons::Ok, MessageIcon::Warning);
    });
}

void TMainForm::AboutMenu1Click() {
    Handle([&] { ui_.ShowAbout(); });
}

void TMainForm::Ftp1Click() {
    Handle([&] {
        if (UploadHandler)
            UploadHandler(CurrentScanInputs());
    });
}

// --- The panel's items ---

TMainForm::Item TMainForm::ItemOf(Tab tab) const {
    switch (tab) {
        case Tab::Designer:
            return {OwnFile(CurrentDesignerFolder(), CurrentDesigner()),
                    ResourceFile("KB_Designer.jpg"), kDefaultItemText,
                    "Click to select Designer Picture | Click to select Designer Picure",
                    "Enter new Designer text or double-click for file | Enter new Designer text "
                    "or double-click for file"};
        case Tab::Collection:
            return {OwnFile(CurrentCollectionFolder(), CurrentCollection()),
                    ResourceFile("KB_Collection.jpg"), kDefaultItemText,
                    "Click to select Collection Picture | Click to select Collection Picture",
                    "Enter new Collection text or double-click for file | Enter new Collection "
                    "text or double-click for file"};
        case Tab::Garment:
            return {OwnFile(CurrentCollectionFolder(), form.MacroList.SelectedText()),
                    ResourceFile("KB_Garment.jpg"), kDefaultItemText,
                    "Garment Picture | Click to select Garment Picture",
                    "Enter new Garment text or double-click for file | Enter new Garment text or "
                    "double-click for file"};
        case Tab::Measures:
            return {OwnFile(RootPath("MeasureTables"), form.MmtList.SelectedText()),
                    ResourceFile("KB_Measure.jpg"), kDefaultItemText,
                    "Mmt Picture | Click to select Mmt Picture",
                    "Enter text or double-click to load file | Enter new Mmt text or "
                    "double-click for file"};
        case Tab::Create:
            break;
    }
    return {"", ResourceFile("KB_Create.jpg"), "", "", ""};
}

std::string TMainForm::ItemFile(Tab tab, const std::string& extension) const {
    std::string base = ItemOf(tab).base;
    if (base.empty())
        return {};
    // A table's own name may hold a dot: its new files replace that part of the name.
    if (tab == Tab::Measures)
        return ChangeExtension(base, extension);
    return base + "." + extension;
}

}  // namespace kb
