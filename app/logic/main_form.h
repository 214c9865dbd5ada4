#pragma once
// The main window's behaviour without a window: start-up and shutdown, the refresh rules of the
// five tabs, the movement between them, designers and collections, the right-hand panel and the
// support files, garments, the missing-file check and Create Setup.
//
// The view owns a TMainForm, binds its widgets to `form` (see form_model.h), and calls the
// handler named after each control and event. A missing-file indicator's click calls its
// button's handler. Every public operation may be called directly: the outermost call catches
// what the operation throws and shows it with ShowApplicationError, then reports the change of
// the form (UserInterface::FormChanged); nested calls let errors pass to that outermost one.
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/logic/form_model.h"
#include "app/logic/user_interface.h"
#include "foundation/trash.h"
#include "foundation/ui_dispatcher.h"
#include "workspace/kitbinder_data.h"
#include "workspace/macro_scan.h"

namespace kb {

class LoadThread;
class WorkerThread;
struct MissingFileReport;

// The application-wide error display: a message box with the error's text, caption "Kitbinder".
void ShowApplicationError(UserInterface& ui, const std::string& text);

// The file of an item (designer, collection, garment, table) called name in folder with that
// suffix; "" when no item is selected (name is empty).
std::string OwnFile(const std::string& folder, const std::string& name, const char* suffix = "");

class TMainForm {
  public:
    TMainForm(UserInterface& ui, UiDispatcher& dispatcher);
    ~TMainForm();
    TMainForm(const TMainForm&) = delete;
    TMainForm& operator=(const TMainForm&) = delete;

    FormModel form;

    // The active collection's version and password and the designer's web site.
    KitbinderData Data;
    bool DesignerError = false;
    bool CollectionError = false;
    bool GarmentError = false;
    Tab PreviousTab = Tab::Designer;
    bool StartupDone = false;
    bool ItemTextDirty = false;
    bool MacroFolderChanged = true;
    // The process's working directory at start-up.
    std::string StartDirectory;

    // The upload command (hidden menu item "Upload"), given the collection to upload; empty
    // until the upload is wired in.
    std::function<void(ScanInputs inputs)> UploadHandler;

    // --- Start-up and shutdown ---
    // The window's creation steps: workspace folders, lists, restored designer and tab. Errors
    // are not caught here: the caller shows them (ShowApplicationError) and ends the program.
    void FormCreate();
    // The window's destruction: stores designer, its collection choice and the tab.
    void FormDestroy();

    // --- Tabs and refresh rules ---
    void TabsChange();
    void DesignerNextButtonClick();
    void CollectionNextButtonClick();
    void GarmentNextButtonClick();
    void MeasuresNextButtonClick();
    void RefreshActiveTab(bool reload);
    void RefreshDesignerTab(bool reload);
    void RefreshCollectionTab(bool reload);
    void RefreshGarmentTab(bool reload);
    void RefreshMeasuresTab(bool reload);
    // A message box with text and the caption "Kitbinder" unless text is blank.
    void ShowNotice(const std::string& text);
    // The status bar shows the long part of the hint.
    void ShowHintInStatusBar(const std::string& hint);
    void FillHelpTexts();

    // --- Designers and collections ---
    void DesignerComboChange();
    void CollectionComboChange();
    void CollectionComboEnter();
    void CollectionAddNameHelpClick();
    void CollectionDetailsHelpClick();
    void FillDesignerList();
    void FillCollectionList();
    void UpdateCurrentSelection();
    void LoadSelectionFields();
    bool DesignerIsValid() const;
    bool CollectionIsValid() const;
    void AddDesignerButtonClick();
    void DeleteDesignerButtonClick();
    void RenameDesignerButtonClick();
    void AddCollectionButtonClick();
    void DeleteCollectionButtonClick();
    void RenameCollectionButtonClick();
    // Asks whether to delete the kind's item name, saying that what goes (e.g. "Its folder")
    // will be moved to the trash, or deleted permanently when there is no trash for it.
    bool ConfirmDelete(const std::string& kind, const std::string& name, const std::string& what,
                       bool toTrash);
    // Puts back what the last delete moved to the trash (the Undo item, Ctrl+Z).
    void Undo1Click();

    // --- Right-hand panel and support files ---
    void ShowItemInPanel(const std::string& base, const std::string& defaultPicture,
                         const std::string& defaultText, const std::string& pictureHint,
                         const std::string& textHint);
    // Saves pending editor text to the file the panel read it from (whatever the selection or
    // the active tab is now); nothing when the editor was not entered since the last save.
    void SaveItemText();
    void PictureClick();
    void FileTextChange();
    void FileTextDblClick();
    void FileTextEnter();
    void FileTextExit();
    // Whether a typed character is kept (false on the Create tab).
    bool FileTextKeyPress();
    void DesignerPdfButtonClick();
    void DesignerHtmlButtonClick();
    void CollectionPdfButtonClick();
    void CollectionHtmlButtonClick();
    void MacroPdfButtonClick();
    void MacroHtmlButtonClick();
    void MmtPdfButtonClick();
    void MmtHtmlButtonClick();
    void LicenseFileEditClick();
    void BeforeInstallReadmeClick();
    void AfterInstallReadmeClick();
    void LoadImageButtonClick();
    void WebsiteEditChange();
    void WebsiteEditExit();
    void PasswordEditExit();
    void CollectionVersionEditExit();

    // --- Garments and measurement tables ---
    void FillGarmentList();
    void AddGarment(const std::string& path);
    void CopyGarmentPictures(const std::string& path);
    void RemoveGarment(int index);
    void ShowScanWarnings(bool visible);
    void NewMacroButtonClick();
    void DeleteMacroButtonClick();
    void MacroListClick();
    void MacroSourceChange();
    void ComboBox1Change();
    // Starts the missing-file check (CheckMacroButton, MissingFilesChecked, CheckMmtButton,
    // ScanMeasureWarning); a click while a check runs is ignored.
    void CheckMacroButtonClick();
    // The check's completion step, on the user-interface thread.
    void CheckMacroCompleted(const MissingFileReport& report);
    bool CheckRunning() const;
    // Blocks until a running check has ended (its steps must be able to run meanwhile).
    void WaitForCheck();
    // Asks a running check to stop handing steps to the user-interface thread.
    void CancelCheck();
    // The last check started, running or ended; null before the first.
    std::shared_ptr<WorkerThread> CheckWorker() const;
    // The missing files of the collection as it is now, grouped by garment and table, in a
    // report window that can be copied.
    void MissingFilesDetailsClick();
    void MmtListClick();
    void AddMtbButtonClick();

    // --- Create Setup and menu ---
    void MacroNextButtonClick();
    // Asks for the setup's file (and whether to replace an existing one), checks the collection,
    // writes the script and starts the installer compiler without waiting; the build window shows
    // the steps, the compiler's output and the outcome. A click while a build runs is ignored.
    void CreateSetupClick();
    bool SetupBuildRunning() const;
    // Stops a running build's compiler; the setup it was writing is removed.
    void CancelSetupBuild();
    void ShowExplorerButtonClick();
    // Installs the last setup built (its 64-bit variant, from the same script) in a throwaway
    // wine prefix, uninstalls it and shows the report in the build window, without waiting.
    void TestInstallButtonClick();
    void Quit1Click();
    void Help2Click();
    void AboutMenu1Click();
    // Hands the upload the garment list and the collection selected in the collection box.
    void Ftp1Click();
    void Create1Click();

    // --- Files changed under the window, files dropped on it ---
    // The existing folders whose files the window shows: the designers, the designer, the
    // collection, the tables and their measuring pictures, and where the last check looked.
    std::vector<std::string> WatchedFolders() const;
    // Files changed on disk: the lists and the panel show them, and the check's result is
    // marked stale when a file it read or looked for changed.
    void FilesChangedOnDisk();
    // Marks the check's result stale when a file it read or looked for changed since.
    void CheckIfStale();
    // Whether dropped files can be added as garments (each an existing macro).
    bool AcceptsGarmentDrop(const std::vector<std::string>& paths) const;
    // Adds the dropped macros as the Add button adds a chosen one.
    void DropGarments(const std::vector<std::string>& paths);
    // Whether a dropped file can be the panel's item picture (.jpg) or text (.txt).
    bool AcceptsPanelDrop(const std::string& path) const;
    // Attaches the dropped file as a click on the picture or a double click on the text does.
    void DropOnPanel(const std::string& path);

  private:
    // The panel's item of a tab: its base path (no extension) and what the panel shows without
    // its files.
    struct Item {
        std::string base;
        std::string defaultPicture;
        std::string defaultText;
        std::string pictureHint;
        std::string textHint;
    };
    class HandlerScope;

    // Runs body as a handler: the outermost call shows errors and reports the change.
    void Handle(const std::function<void()>& body);
    void Notify();
    // What a scan of the collection as the window shows it reads: the current selection, the
    // garment list and the collection box's selected entry.
    ScanInputs CurrentScanInputs() const;
    Item ItemOf(Tab tab) const;
    // The file written when the tab's item gets a new file of that extension ("" for none).
    std::string ItemFile(Tab tab, const std::string& extension) const;
    void PutFileText(const std::string& text, const std::string& target);
    void ShowFileText(const std::string& text);
    void FileTextChanged(const std::string& target);
    void RefreshCreateTab();
    // Fills the panel for the tab's item and remembers the item's text file.
    void ShowTabItem(Tab tab);
    // The panel's item goes away (deleted or renamed): its text is saved (keep) or dropped, and
    // the editor writes nowhere until the panel is filled again.
    void ReleasePanelText(bool keep);
    void AttachDocument(Tab tab, FileChooser& chooser, const std::string& extension);
    void AttachText(FileChooser& chooser, const std::string& target);
    std::optional<std::string> Choose(FileChooser& chooser);
    MessageAnswer Message(const std::string& text, const std::string& caption,
                          MessageButtons buttons, MessageIcon icon);
    void ShowNameError(const std::string& kind);
    std::optional<std::string> RenameFolder(const std::string& kind, const std::string& parent,
                                            const std::string& oldName);
    void RenameItemFiles(const std::string& folder, const std::string& oldName,
                         const std::string& newName);
    void PutWebsite(const std::string& text);
    void StoreCollectionChoice();
    void ShowPage(Tab page);
    // Tells which macro lines named pictures that were not copied.
    void ShowRefusedPictures(const std::vector<std::string>& lines);
    struct SetupBuild;
    bool ConfirmReplaceSetup(const std::string& setup);
    void StartSetupBuild(const std::string& chosenBase);
    void PrepareSetupBuild(SetupBuild& build);
    bool BuildWithoutMissingFiles(int missing);
    void StartCompiler(const std::shared_ptr<SetupBuild>& build);
    void CompilerOutput(SetupBuild& build, const std::string& text);
    void CompilerFinished(SetupBuild& build, int exitCode, bool crashed);
    void EndSetupBuild(SetupBuild& build, const std::string& outcome, bool succeeded);
    // Stops a running compiler without reporting and removes what it was writing.
    void AbandonSetupBuild();
    void StartTestInstall(const std::string& script);
    void TestInstallFinished(SetupBuild& run, int exitCode, bool crashed);
    // The built setup cannot be opened on this desktop: offers the test install instead.
    void OfferTestInstall(const SetupBuild& build);
    // Test install needs Kit Binder's own compiler (the Inno Setup compiler has no such
    // switch): the button is shown only when that is the compiler that would run.
    void ShowTestInstallForOwnCompiler();
    void TakeCheckBasis();
    void ExtendCheckBasis(const MissingFileReport& report);
    void DropCheckBasis();
    bool CheckIsStale() const;

    struct LastDelete {
        std::string what;  // "garment Coat", for the Undo item and its messages
        std::string designer;
        std::string collection;  // "" for a designer
        std::string garment;     // "" for a designer or collection
        std::vector<TrashedFile> files;
    };
    // Whether the trash takes every one of paths.
    bool TrashTakes(const std::vector<std::string>& paths) const;
    // Moves the files and folders to the trash (all or none) and remembers them for Undo, or
    // deletes them for good.
    void DeleteItemFiles(const std::vector<std::string>& paths, bool toTrash, LastDelete done);
    void ShowUndo();
    void ShowRestored(const LastDelete& item);
    // The existing files of the garment (macro and support files), found as Windows finds them,
    // but never a file that is the exact namesake of another listed garment.
    std::vector<std::string> GarmentFiles(const std::string& garment) const;

    UserInterface& ui_;
    UiDispatcher& dispatcher_;
    int handlerDepth_ = 0;
    // The text file of the item the panel shows ("" for none): the editor saves there only.
    std::string panelTextFile_;
    // The editor's text as last read from or written to that file: a text equal to it is no
    // change and is not written.
    std::string panelTextShown_;
    std::shared_ptr<LoadThread> check_;
    // The last Create Setup build, running or ended; held by pointer so that its compiler's
    // reports can find it.
    std::shared_ptr<SetupBuild> build_;
    // The script of the last setup built, for the test install; "" before the first.
    std::string testInstallScript_;
    bool checkCompleted_ = true;
    // The folders the last check depended on and their files as the check found them.
    std::vector<std::string> checkFolders_;
    std::vector<std::string> checkBasis_;
    // A dropped file: the next chooser answers it without being shown.
    std::optional<std::string> droppedFile_;
    // Shared with the running check's steps: false once this form is gone.
    std::shared_ptr<std::atomic<bool>> alive_;
    // What the last delete moved to the trash; null when there is nothing to undo.
    std::unique_ptr<LastDelete> lastDelete_;
};

}  // namespace kb
