// The main form's designers and collections: the two lists, the current selection, the
// selection's fields, and creating, renaming and deleting.
#include <vector>

#include "app/logic/main_form.h"
#include "app/logic/scoped_value.h"
#include "foundation/each_file.h"
#include "foundation/files.h"
#include "foundation/paths.h"
#include "foundation/settings_store.h"
#include "workspace/collections.h"
#include "workspace/current_selection.h"
#include "workspace/safe_paths.h"
#include "workspace/workspace_paths.h"

namespace kb {

namespace {

const char kDefaultItemText[] = "Enter text or double-click to load file.";

// The files of a designer or collection that carry its name: name + suffix in its folder.
const char* const kItemFileSuffixes[] = {
    ".jpg",     ".txt", ".pdf", ".html", "_License.txt", "_BeforeInstall.txt", "_AfterInstall.txt",
    "_mini.bmp"};

std::string ActiveCollectionKey(const std::string& designer) {
    return designer + "_ActiveCollection";
}

// The entry shown before the selected one; nothing (-1) when the first or none was selected.
int EntryBefore(const ComboBox& box) {
    int selected = box.Selected();
    return selected > 0 ? selected - 1 : -1;
}

// Copies the stock picture as the item's picture and writes its default description.
void WriteNewItemFiles(const std::string& base, const std::string& stockPicture) {
    CopyFile(ResourceFile(stockPicture), base + ".jpg", true);
    WriteTextFile(base + ".txt", kDefaultItemText);
}

// A name given anew: refused when unusable or when a file or folder of that name is there.
bool NameIsFree(const std::string& folder, const std::string& name) {
    std::string path = InFolder(folder, name);
    return IsUsableItemName(name) && !FileExists(path) && !FolderExists(path);
}

}  // namespace

// The typed name must be one of the listed designers exactly: where the system ignores the case
// of names, the folder of "bert" is also the folder of "Bert".
bool TMainForm::DesignerIsValid() const {
    const std::string& typed = form.DesignerCombo.text;
    return !CurrentDesigner().empty() && !typed.empty() && form.DesignerCombo.Selected() >= 0 &&
           FolderExists(DesignersFolder(typed));
}

bool TMainForm::CollectionIsValid() const {
    int selected = form.CollectionCombo.Selected();
    const std::string& typed = form.CollectionCombo.text;
    return selected >= 0 && !form.CollectionCombo.entries[selected].empty() && DesignerIsValid() &&
           !typed.empty() && FolderExists(InFolder(CurrentDesignerFolder(), typed));
}

void TMainForm::ShowNameError(const std::string& kind) {
    Message("Can't create " + kind + ", try a different name", "Error", MessageButtons::Ok,
            MessageIcon::Error);
}

void TMainForm::FillDesignerList() {
    Handle([&] {
        ComboBox& box = form.DesignerCombo;
        std::string typed = box.text;
        box.SetEntries(DesignerNames());
        if (box.Selected() < 0)
            box.Select(0);
        if (!typed.empty())
            box.text = typed;
        DesignerComboChange();
    });
}

void TMainForm::FillCollectionList() {
    Handle([&] {
        ComboBox& box = form.CollectionCombo;
        std::string typed = box.text;
        box.SetEntries(CollectionNames(CurrentDesigner()));
        if (box.Selected() < 0)
            box.Select(0);
        if (box.entries.empty()) {
            box.text.clear();
            typed.clear();
        }
        if (!typed.empty())
            box.text = typed;
        // The list was rebuilt by the program: the person's choice is not stored.
        ScopedValue<bool> notStored(StartupDone, false);
        CollectionComboChange();
    });
}

void TMainForm::DesignerComboChange() {
    Handle([&] {
        const std::string typed = form.DesignerCombo.text;
        if (typed.empty() || form.DesignerCombo.Selected() < 0 ||
            !FolderExists(DesignersFolder(typed))) {
            RefreshDesignerTab(true);
            return;
        }
        UpdateCurrentSelection();
        LoadSelectionFields();
        form.CollectionCombo.Select(-1);
        FillCollectionList();
        RefreshDesignerTab(true);
        std::string stored =
            ReadSetting(SettingsRoot::CurrentUser, ActiveCollectionKey(CurrentDesigner()), "");
        ComboBox& collections = form.CollectionCombo;
        for (int i = 0; i < int(collections.entries.size()); ++i) {
            if (collections.entries[i] != stored)
                continue;
            // Filling the list changed to its first collection already: when that is the stored
            // one, its garments are not listed again, the active tab is only shown again.
            if (collections.Selected() == i) {
                RefreshActiveTab(true);
            } else {
                collections.Select(i);
                CollectionComboChange();
            }
            break;
        }
    });
}

void TMainForm::CollectionComboChange() {
    Handle([&] {
        form.MacroCheckMemo.lines.clear();
        form.MmtList.entries.clear();
        form.MmtList.selected = -1;
        UpdateCurrentSelection();
        LoadSelectionFields();
        FillGarmentList();
        RefreshActiveTab(true);
        if (StartupDone)
            StoreCollectionChoice();
    });
}

// Written only when it changed: restoring the choice at start-up would otherwise rewrite the
// settings file (and wait for the disk) before the window first shows.
void TMainForm::StoreCollectionChoice() {
    const std::string key = ActiveCollectionKey(CurrentDesigner());
    const std::string collection = form.CollectionCombo.SelectedText();
    if (ReadSetting(SettingsRoot::CurrentUser, key, "") != collection)
        WriteSetting(SettingsRoot::CurrentUser, key, collection);
}

void TMainForm::CollectionComboEnter() {
    Handle([&] { RefreshActiveTab(true); });
}

void TMainForm::CollectionAddNameHelpClick() {
    Handle([&] { RefreshCollectionTab(true); });
}

void TMainForm::CollectionDetailsHelpClick() {
    Handle([&] { RefreshCollectionTab(true); });
}

void TMainForm::UpdateCurrentSelection() {
    Handle([&] {
        SetCurrentSelection(SelectionOf(form.DesignerCombo.SelectedText(),
                                        form.CollectionCombo.SelectedText(),
                                        form.MacroSource.Selected()));
    });
}

void TMainForm::LoadSelectionFields() {
    Handle([&] {
        SaveItemText();
        const int collection = form.CollectionCombo.Selected();
        const bool hasCollection =
            collection >= 0 && !form.CollectionCombo.entries[collection].empty();
        const KitbinderData stored = ReadItemSettings(
            CurrentDesignerFolder(), hasCollection ? CurrentCollectionFolder() : std::string());
        Data.website = stored.website;
        PutWebsite(stored.website);
        Data.password = stored.password;
        Data.version = stored.version;
        form.PasswordEdit.text = stored.password;
        form.CollectionVersionEdit.text = stored.version;
        form.MacroList.entries.clear();
        form.MacroList.selected = -1;
        form.GarmentExistsCheck.visible = true;
        UpdateCurrentSelection();
    });
}

void TMainForm::AddDesignerButtonClick() {
    Handle([&] {
        const std::string typed = form.DesignerCombo.text;
        EnsureFolder(RootPath("Installations"));
        if (!NameIsFree(DesignersFolder(), typed) || !EnsureFolder(DesignersFolder(typed))) {
            ShowNameError("Designer");
            return;
        }
        FillDesignerList();
        form.DesignerCombo.text = typed;
        DesignerComboChange();
        EnsureFolder(InFolder(RootPath("Installations"), typed));
        WriteNewItemFiles(InFolder(DesignersFolder(typed), typed), "KB_Designer.jpg");
        RefreshActiveTab(true);
    });
}

void TMainForm::AddCollectionButtonClick() {
    Handle([&] {
        const std::string typed = form.CollectionCombo.text;
        std::string designerFolder = CurrentDesignerFolder();
        if (CurrentDesigner().empty() || !NameIsFree(designerFolder, typed) ||
            !EnsureFolder(InFolder(designerFolder, typed))) {
            ShowNameError("Collection");
            return;
        }
        FillCollectionList();
        form.CollectionCombo.text = typed;
        CollectionComboChange();
        int selected = form.CollectionCombo.Selected();
        if (selected < 0)
            return;
        const std::string& name = form.CollectionCombo.entries[selected];
        WriteNewItemFiles(InFolder(InFolder(designerFolder, name), name), "KB_Collection.jpg");
        RefreshActiveTab(true);
    });
}

void TMainForm::DeleteDesignerButtonClick() {
    Handle([&] {
        const std::string designer = CurrentDesigner();
        if (designer.empty())
            return;
        int collection = form.CollectionCombo.Selected();
        std::string setups = InFolder(RootPath("Installations"), designer);
        if (collection >= 0)
            setups = InFolder(setups, form.CollectionCombo.entries[collection]);
        RequireSafeWorkspacePath(DesignersFolder(designer));
        RequireSafeWorkspacePath(setups);
        std::vector<std::string> folders = {DesignersFolder(designer)};
        if (FolderExists(setups))
            folders.push_back(setups);
        const bool toTrash = TrashTakes(folders);
        if (!ConfirmDelete("designer", designer,
                           "Its folder with all its collections and files, and its setups,",
                           toTrash))
            return;
        ReleasePanelText(false);
        DeleteItemFiles(folders, toTrash, {"designer " + designer, designer, "", "", {}});
        form.DesignerCombo.Select(EntryBefore(form.DesignerCombo));
        FillDesignerList();
    });
}

void TMainForm::DeleteCollectionButtonClick() {
    Handle([&] {
        int selected = form.CollectionCombo.Selected();
        if (selected < 0 || CurrentDesigner().empty())
            return;
        const std::string collection = form.CollectionCombo.entries[selected];
        const std::string folder = InFolder(CurrentDesignerFolder(), collection);
        RequireSafeWorkspacePath(folder);
        const bool toTrash = TrashTakes({folder});
        if (!ConfirmDelete("collection", collection, "Its folder, with all its garments and files,",
                           toTrash))
            return;
        ReleasePanelText(false);
        DeleteItemFiles({folder}, toTrash,
                        {"collection " + collection, CurrentDesigner(), collection, "", {}});
        form.CollectionCombo.Select(EntryBefore(form.CollectionCombo));
        FillCollectionList();
    });
}

void TMainForm::RenameItemFiles(const std::string& folder, const std::string& oldName,
                                const std::string& newName) {
    for (const char* suffix : kItemFileSuffixes) {
        std::string from = InFolder(folder, oldName + suffix);
        std::string to = InFolder(folder, newName + suffix);
        if (!FileExists(from) || FileExists(to))
            continue;
        CopyFile(from, to, false);
        DeleteFile(from);
    }
}

// Asks for a new name of the folder oldName in parent, then moves the folder and its item files
// there; answers the new name, nothing when cancelled or refused.
std::optional<std::string> TMainForm::RenameFolder(const std::string& kind,
                                                   const std::string& parent,
                                                   const std::string& oldName) {
    const std::string source = InFolder(parent, oldName);
    RequireSafeWorkspacePath(source);
    for (const char* suffix : kItemFileSuffixes)
        RequireSafeWorkspacePath(InFolder(source, oldName + suffix));
    Notify();
    std::optional<std::string> name = ui_.AskText("Rename " + kind, oldName);
    if (!name)
        return std::nullopt;
    if (!NameIsFree(parent, *name)) {
        ShowNameError(kind);
        return std::nullopt;
    }
    ReleasePanelText(true);
    std::string target = InFolder(parent, *name);
    RequireSafeWorkspacePath(target);
    CopyFolder(source, target);
    DeleteFolderTree(source);
    RenameItemFiles(target, oldName, *name);
    return name;
}

void TMainForm::RenameDesignerButtonClick() {
    Handle([&] {
        const std::string designer = CurrentDesigner();
        if (designer.empty())
            return;
        if (std::optional<std::string> name =
                RenameFolder("Designer", DesignersFolder(), designer)) {
            FillDesignerList();
            form.DesignerCombo.text = *name;
            DesignerComboChange();
        }
    });
}

void TMainForm::RenameCollectionButtonClick() {
    Handle([&] {
        int selected = form.CollectionCombo.Selected();
        if (selected < 0 || CurrentDesigner().empty())
            return;
        if (std::optional<std::string> name = RenameFolder(
                "Collection", CurrentDesignerFolder(), form.CollectionCombo.entries[selected])) {
            FillCollectionList();
            form.CollectionCombo.text = *name;
            CollectionComboChange();
        }
    });
}

}  // namespace kb
