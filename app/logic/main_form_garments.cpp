// The main form's garments and measurement tables: the garment list, adding and removing
// garments, and the missing-file check with its completion step.
#include <algorithm>
#include <fstream>

#include "app/logic/main_form.h"
#include "foundation/each_file.h"
#include "foundation/errors.h"
#include "foundation/files.h"
#include "foundation/paths.h"
#include "foundation/string_list.h"
#include "workspace/collections.h"
#include "workspace/current_selection.h"
#include "workspace/load_thread.h"
#include "workspace/macro_lines.h"
#include "workspace/safe_paths.h"
#include "workspace/support_files.h"
#include "workspace/workspace_paths.h"

namespace kb {

namespace {

const char kMacroExtension[] = ".mac";

std::string MacroPath(const std::string& garment) {
    return InFolder(CurrentCollectionFolder(), garment + kMacroExtension);
}

}  // namespace

void TMainForm::ShowScanWarnings(bool visible) {
    Handle([&] {
        form.ScanMeasureWarning.visible = visible;
        form.MissingFilesChecked.visible = visible;
    });
}

void TMainForm::FillGarmentList() {
    Handle([&] {
        form.MacroList.entries.clear();
        form.MacroList.selected = -1;
        ShowScanWarnings(true);
        form.MacroList.entries = GarmentNames(CurrentCollectionFolder());
        form.GarmentExistsCheck.visible = form.MacroList.entries.empty();
    });
}

void TMainForm::AddGarment(const std::string& path) {
    Handle([&] {
        std::string garment = StripExtension(path, true);
        const std::vector<std::string>& entries = form.MacroList.entries;
        // A garment is listed once: adding it again replaces its files after asking. Names that
        // differ only in case are one garment, as on Windows where the setup installs them.
        const std::string folded = FoldNameCase(garment);
        const auto listed = std::find_if(entries.begin(), entries.end(), [&](const auto& entry) {
            return FoldNameCase(entry) == folded;
        });
        if (listed == entries.end()) {
            form.MacroList.entries.push_back(garment);
        } else if (Message("The garment " + garment + " is already in the collection" +
                               (*listed == garment ? std::string() : " as " + *listed) +
                               ". Do you want to replace its files?",
                           "Warning", MessageButtons::YesNo,
                           MessageIcon::Question) != MessageAnswer::Yes) {
            return;
        }
        CopyWithSupportFiles(path, MacroPath(garment));
        CopyGarmentPictures(path);
        ShowScanWarnings(true);
        form.GarmentExistsCheck.visible = false;
    });
}

void TMainForm::CopyGarmentPictures(const std::string& path) {
    Handle([&] {
        const std::string macroFolder = NormalizePath(FolderOf(path));
        const std::string collectionFolder =
            FullPath(DesignersFolder(), CurrentDesigner(), CurrentCollection());
        // Names are found whatever their case, as on Windows where the macros were written.
        FolderListings names(WorkspaceRoot(false));
        std::vector<std::string> refused;
        std::ifstream macro = OpenForReading(path);
        std::string line;
        for (int number = 1; macro && ReadLine(macro, line); ++number) {
            const std::optional<std::string_view> named = PictItemName(line);
            if (!named)
                continue;
            const std::string picture(*named);
            const std::string where =
                NameOf(path) + " line " + std::to_string(number) + ": \"" + picture + "\": ";
            // One bad name (no path, a link on the way) leaves that picture out, not the rest.
            try {
                const std::string source = FullPath(macroFolder, picture);
                const std::string target = FullPath(collectionFolder, picture);
                // A picture name never reaches outside the macro's folder or the collection.
                if (!LiesBelow(source, macroFolder) || !LiesBelow(target, collectionFolder)) {
                    refused.push_back(where +
                                      "the name leads outside the macro's folder or the "
                                      "collection folder");
                    continue;
                }
                const std::string found = names.FindFile(source);
                const std::string existing = names.FindFile(target);
                if (!found.empty())
                    CopyFileBelow(macroFolder, found, collectionFolder,
                                  existing.empty() ? target : existing);
            } catch (const PathError& error) {
                refused.push_back(where + error.what());
            } catch (const FileError& error) {
                refused.push_back(where + error.what());
            }
        }
        if (!refused.empty())
            ShowRefusedPictures(refused);
    });
}

void TMainForm::ShowRefusedPictures(const std::vector<std::string>& lines) {
    std::string text = "These pictures were not copied:";
    for (const std::string& line : lines)
        text += "\n" + line;
    Message(text, "Kitbinder", MessageButtons::Ok, MessageIcon::Warning);
}

void TMainForm::RemoveGarment(int index) {
    Handle([&] {
        std::vector<std::string>& entries = form.MacroList.entries;
        if (index < 0 || index >= int(entries.size()))
            return;
        const std::string garment = entries[index];
        const std::vector<std::string> files = GarmentFiles(garment);
        for (const std::string& file : files)
            RequireSafeWorkspacePath(file);  // a refusal keeps the entry
        if (!files.empty()) {
            std::string names;
            for (const std::string& file : files)
                names += (names.empty() ? "" : ", ") + NameOf(file);
            const bool toTrash = TrashTakes(files);
            if (!ConfirmDelete("garment", garment, names, toTrash))
                return;
            DeleteItemFiles(
                files, toTrash,
                {"garment " + garment, CurrentDesigner(), CurrentCollection(), garment, {}});
        }
        entries.erase(entries.begin() + index);
        form.MacroList.selected = -1;
        form.GarmentExistsCheck.visible = entries.empty();
    });
}

std::vector<std::string> TMainForm::GarmentFiles(const std::string& garment) const {
    const std::string folder = CurrentCollectionFolder();
    const std::vector<std::string> names = EachFile(folder).Names();
    const std::vector<std::string>& entries = form.MacroList.entries;
    // A file found only by its case-folded name belongs to another garment when that garment
    // is listed under the file's exact name.
    const auto ofAnother = [&](const std::string& name) {
        const std::string stem = StripExtension(name, true);
        return stem != garment && std::find(entries.begin(), entries.end(), stem) != entries.end();
    };
    std::vector<std::string> files;
    std::vector<std::string> wanted = {garment + kMacroExtension};
    for (int i = 0; !SupportExtension(i).empty(); ++i)
        wanted.push_back(garment + "." + SupportExtension(i));
    for (const std::string& want : wanted) {
        const std::string folded = FoldNameCase(want);
        const std::string* found = nullptr;
        for (const std::string& name : names) {
            if (name == want) {
                found = &name;
                break;
            }
            if (found == nullptr && FoldNameCase(name) == folded && !ofAnother(name))
                found = &name;
        }
        if (found != nullptr)
            files.push_back(InFolder(folder, *found));
    }
    return files;
}

void TMainForm::NewMacroButtonClick() {
    Handle([&] {
        if (MacroFolderChanged) {
            form.OpenMacro.folder = MacroSourceFolder(form.MacroSource.Selected());
            MacroFolderChanged = false;
        }
        if (std::optional<std::string> picked = Choose(form.OpenMacro))
            AddGarment(*picked);
        RefreshGarmentTab(true);
        RefreshActiveTab(true);
    });
}

void TMainForm::DeleteMacroButtonClick() {
    Handle([&] {
        if (!form.MacroList.HasSelection())
            return;
        RemoveGarment(form.MacroList.selected);
        RefreshGarmentTab(true);
        RefreshActiveTab(true);
    });
}

void TMainForm::MacroListClick() {
    Handle([&] { RefreshGarmentTab(true); });
}

void TMainForm::MacroSourceChange() {
    Handle([&] { MacroFolderChanged = true; });
}

void TMainForm::ComboBox1Change() {
    MacroSourceChange();
}

void TMainForm::MmtListClick() {
    Handle([&] { RefreshMeasuresTab(true); });
}

void TMainForm::AddMtbButtonClick() {}

bool TMainForm::CheckRunning() const {
    return check_ && !checkCompleted_ && !check_->Finished();
}

void TMainForm::WaitForCheck() {
    if (check_)
        check_->Wait();
}

void TMainForm::CancelCheck() {
    if (check_)
        check_->Cancel();
}

ScanInputs TMainForm::CurrentScanInputs() const {
    return MakeScanInputs(form.MacroList.entries, form.CollectionCombo.SelectedText());
}

std::shared_ptr<WorkerThread> TMainForm::CheckWorker() const {
    return check_;
}

void TMainForm::CheckMacroButtonClick() {
    Handle([&] {
        if (CheckRunning())
            return;
        if (form.MacroList.entries.empty()) {
            Message("You must first select a Garment Macro", "Warning", MessageButtons::Ok,
                    MessageIcon::Warning);
            return;
        }
        form.MacroCheckMemo.lines.clear();
        Notify();
        ui_.ShowProcessing();
        // The steps run on the user-interface thread; they do nothing once this form is gone.
        std::shared_ptr<std::atomic<bool>> alive = alive_;
        LoadThreadSteps steps;
        steps.progress = [this, alive](const std::string& currentFile) {
            if (*alive)
                ui_.SetProcessingLabel(currentFile);
        };
        steps.completion = [this, alive](const MissingFileReport& report) {
            if (*alive)
                CheckMacroCompleted(report);
        };
        checkCompleted_ = false;
        TakeCheckBasis();
        check_ = LoadThread::Start(dispatcher_, CurrentScanInputs(), std::move(steps));
    });
}

void TMainForm::CheckMacroCompleted(const MissingFileReport& report) {
    Handle([&] {
        checkCompleted_ = true;
        if (report.Failed()) {
            ui_.HideProcessing();
            ShowApplicationError(ui_, report.error);
            RefreshActiveTab(true);
            return;
        }
        std::vector<std::string>& memo = form.MacroCheckMemo.lines;
        memo = {"The following files are missing:", "  "};
        StringList tables;
        for (const std::string& name : report.tableNames)
            tables.Append(name);
        tables.RemoveDuplicates();
        form.MmtList.entries = tables.Texts();
        form.MmtList.selected = -1;
        std::vector<std::string> missing = report.MissingFileNames();
        memo.insert(memo.end(), missing.begin(), missing.end());
        if (missing.empty())
            memo = {"All support files found"};
        if (!report.missing.refused.empty())
            memo.insert(memo.end(), {"  ", "These names were not looked up:"});
        for (const RefusedName& refused : report.missing.refused)
            memo.push_back(RefusedText(refused));
        ShowScanWarnings(false);
        ExtendCheckBasis(report);
        CheckIfStale();  // a file changed while the check ran
        ui_.HideProcessing();
        RefreshActiveTab(true);
    });
}

}  // namespace kb
