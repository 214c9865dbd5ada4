// The main form and the files that change under it: the folders the window shows, the refresh
// after a change on disk, the check's result that a change makes stale, and files dropped on the
// window.
#include <algorithm>
#include <filesystem>
#include <functional>
#include <set>

#include "app/logic/main_form.h"
#include "app/logic/scoped_value.h"
#include "foundation/each_file.h"
#include "foundation/files.h"
#include "foundation/paths.h"
#include "foundation/text.h"
#include "workspace/collections.h"
#include "workspace/current_selection.h"
#include "workspace/load_thread.h"
#include "workspace/workspace_paths.h"

namespace kb {

namespace {

bool HasExtension(const std::string& path, const char* extension) {
    return LowerCase(ExtensionOf(path)) == extension;
}

// Macros and tables are read by the check, so their contents count; of every other file only
// whether it is there.
bool ContentCounts(const std::string& name) {
    return HasExtension(name, ".mac") || HasExtension(name, ".mmt");
}

std::string FileStamp(const std::string& path) {
    std::error_code ec;
    const auto time = std::filesystem::last_write_time(FsPath(path), ec);
    const auto size = ec ? 0 : std::filesystem::file_size(FsPath(path), ec);
    if (ec)
        return "?";
    return std::to_string(time.time_since_epoch().count()) + "/" + std::to_string(size);
}

// What the check depends on in the folders: for macros and tables (whose contents the check
// reads) a line each with when the file was written; for every other file only whether it is
// there, summed up per folder as the number of names and a hash of them. The raw listing is
// enough (no state asked of each entry): a sub-folder that comes or goes counts as a change too.
std::vector<std::string> ListFolders(const std::vector<std::string>& folders) {
    std::vector<std::string> lines;
    for (const std::string& folder : folders) {
        size_t count = 0;
        size_t names = 0;
        EachFileDir entries(folder);
        while (!entries.Next()) {
            const std::string& name = entries.Name();
            if (ContentCounts(name)) {
                const std::string path = InFolder(folder, name);
                lines.push_back(path + "|" + FileStamp(path));
            } else {
                ++count;
                names += std::hash<std::string>{}(name);  // in any order of listing
            }
        }
        lines.push_back(folder + "|" + std::to_string(count) + "|" + std::to_string(names));
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

void AddFolder(std::vector<std::string>& folders, const std::string& folder) {
    if (!folder.empty() && std::find(folders.begin(), folders.end(), folder) == folders.end())
        folders.push_back(folder);
}

}  // namespace

std::vector<std::string> TMainForm::WatchedFolders() const {
    std::vector<std::string> folders;
    AddFolder(folders, DesignersFolder());
    if (!CurrentDesigner().empty())
        AddFolder(folders, CurrentDesignerFolder());
    if (!CurrentCollection().empty())
        AddFolder(folders, CurrentCollectionFolder());
    AddFolder(folders, RootPath("MeasureTables"));
    AddFolder(folders, RootPath("MeasurePictures"));
    for (const std::string& folder : checkFolders_)
        AddFolder(folders, folder);
    folders.erase(std::remove_if(folders.begin(), folders.end(),
                                 [](const std::string& f) { return !FolderExists(f); }),
                  folders.end());
    return folders;
}

// The folders whose files a check of the collection reads or looks for: the designer's, the
// collection's, the tables and their measuring pictures.
void TMainForm::TakeCheckBasis() {
    checkFolders_.clear();
    AddFolder(checkFolders_, CurrentDesignerFolder());
    AddFolder(checkFolders_, CurrentCollectionFolder());
    AddFolder(checkFolders_, RootPath("MeasureTables"));
    const std::string pictures = RootPath("MeasurePictures");
    AddFolder(checkFolders_, pictures);
    for (const std::string& table : EachDirectory(pictures))
        AddFolder(checkFolders_, InFolder(pictures, table));
    checkBasis_ = ListFolders(checkFolders_);
}

// The missing files may lie in folders of their own (a picture named with a folder): they are
// watched too, from the end of the check on.
void TMainForm::ExtendCheckBasis(const MissingFileReport& report) {
    std::vector<std::string> added;
    for (const DirectoryParser& entry : report.missing.entries) {
        const std::string folder = FolderOf(entry.path);
        if (std::find(checkFolders_.begin(), checkFolders_.end(), folder) == checkFolders_.end())
            AddFolder(added, folder);
    }
    std::vector<std::string> lines = ListFolders(added);
    checkBasis_.insert(checkBasis_.end(), lines.begin(), lines.end());
    std::sort(checkBasis_.begin(), checkBasis_.end());
    checkFolders_.insert(checkFolders_.end(), added.begin(), added.end());
}

void TMainForm::DropCheckBasis() {
    checkFolders_.clear();
    checkBasis_.clear();
}

bool TMainForm::CheckIsStale() const {
    return form.MissingFilesChecked.visible;
}

void TMainForm::CheckIfStale() {
    Handle([&] {
        if (CheckRunning() || checkFolders_.empty())
            return;
        // A new collection or garment list shows the warning already; nothing to compare.
        if (!CheckIsStale() && ListFolders(checkFolders_) == checkBasis_)
            return;
        DropCheckBasis();
        ShowScanWarnings(true);
    });
}

void TMainForm::FilesChangedOnDisk() {
    Handle([&] {
        form.DesignerCombo.SetEntries(DesignerNames());
        if (DesignerIsValid())
            form.CollectionCombo.SetEntries(CollectionNames(CurrentDesigner()));
        // The garment list follows the macros of the collection folder; the chosen one stays.
        if (CollectionIsValid()) {
            const std::string garment = form.MacroList.SelectedText();
            form.MacroList.entries = GarmentNames(CurrentCollectionFolder());
            const auto& entries = form.MacroList.entries;
            const auto found = std::find(entries.begin(), entries.end(), garment);
            form.MacroList.selected =
                garment.empty() || found == entries.end() ? -1 : int(found - entries.begin());
            form.GarmentExistsCheck.visible = entries.empty();
        }
        CheckIfStale();
        // The editor saves as it is typed: what it holds is on disk, or was replaced there.
        RefreshActiveTab(true);
    });
}

// --- Files dropped on the window ---

bool TMainForm::AcceptsGarmentDrop(const std::vector<std::string>& paths) const {
    if (paths.empty() || !form.NewMacroButton.enabled || !form.MacroList.enabled)
        return false;
    return std::all_of(paths.begin(), paths.end(), [](const std::string& path) {
        return HasExtension(path, ".mac") && FileExists(path);
    });
}

void TMainForm::DropGarments(const std::vector<std::string>& paths) {
    Handle([&] {
        if (!AcceptsGarmentDrop(paths))
            return;
        for (const std::string& path : paths) {
            ScopedValue<std::optional<std::string>> dropped(droppedFile_, path);
            NewMacroButtonClick();
        }
    });
}

bool TMainForm::AcceptsPanelDrop(const std::string& path) const {
    if (form.Tabs.active == Tab::Create || !FileExists(path))
        return false;
    if (HasExtension(path, ".jpg"))
        return form.FilePicture.enabled && !ItemFile(form.Tabs.active, "jpg").empty();
    if (HasExtension(path, ".txt"))
        return form.FileText.enabled && !ItemFile(form.Tabs.active, "txt").empty();
    return false;
}

void TMainForm::DropOnPanel(const std::string& path) {
    Handle([&] {
        if (!AcceptsPanelDrop(path))
            return;
        ScopedValue<std::optional<std::string>> dropped(droppedFile_, path);
        if (HasExtension(path, ".jpg"))
            PictureClick();
        else
            FileTextDblClick();
    });
}

}  // namespace kb
