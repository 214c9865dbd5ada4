// The main form's deletes: designers, collections and garments go to the desktop's trash where
// it takes them, and the last delete can be undone.
#include "app/logic/main_form.h"
#include "foundation/errors.h"
#include "foundation/files.h"
#include "foundation/paths.h"
#include "foundation/trash.h"
#include "workspace/current_selection.h"

namespace kb {

bool TMainForm::TrashTakes(const std::vector<std::string>& paths) const {
    for (const std::string& path : paths) {
        if (!TrashAvailable(FolderOf(path)))
            return false;
    }
    return true;
}

bool TMainForm::ConfirmDelete(const std::string& kind, const std::string& name,
                              const std::string& what, bool toTrash) {
    const std::string where = toTrash ? " will be moved to the trash."
                                      : " will be deleted permanently: this system has no "
                                        "trash for them.";
    return Message("Do you really want to delete the " + kind + " " + name + "?\n\n" + what + where,
                   "Warning", MessageButtons::YesNo, MessageIcon::Question) == MessageAnswer::Yes;
}

void TMainForm::DeleteItemFiles(const std::vector<std::string>& paths, bool toTrash,
                                LastDelete done) {
    lastDelete_.reset();
    if (!toTrash) {
        for (const std::string& path : paths) {
            if (FolderExists(path))
                DeleteFolderTree(path);
            else
                DeleteFile(path);
        }
        ShowUndo();
        return;
    }
    try {
        for (const std::string& path : paths)
            done.files.push_back(MoveToTrash(path));
    } catch (const std::exception&) {
        // All or nothing: what went to the trash already comes back.
        for (const TrashedFile& file : done.files)
            RestoreFromTrash(file);
        ShowUndo();
        throw;
    }
    lastDelete_ = std::make_unique<LastDelete>(std::move(done));
    ShowUndo();
}

void TMainForm::ShowUndo() {
    form.Undo1.enabled = lastDelete_ != nullptr;
    form.Undo1.caption = lastDelete_ ? "&Undo Delete of " + lastDelete_->what : "&Undo";
    form.Undo1.hint =
        lastDelete_ ? "Undo | Put back the " + lastDelete_->what + " from the trash, where it was"
                    : "Undo | Nothing to undo";
}

void TMainForm::Undo1Click() {
    Handle([&] {
        if (!lastDelete_)
            return;
        const LastDelete& last = *lastDelete_;
        // Every file is checked before any moves, so that an undo is done whole or not at all.
        for (const TrashedFile& file : last.files) {
            if (FileExists(file.original) || FolderExists(file.original))
                throw FileError("The " + last.what + " cannot be put back: \"" + file.original +
                                "\" is there now. Nothing was changed.");
            if (!FileExists(file.inTrash) && !FolderExists(file.inTrash))
                throw FileError("The " + last.what +
                                " cannot be put back: the trash no longer "
                                "holds \"" +
                                file.inTrash + "\". Nothing was changed.");
        }
        for (const TrashedFile& file : last.files)
            RestoreFromTrash(file);
        const std::unique_ptr<LastDelete> restored = std::move(lastDelete_);
        ShowUndo();
        ShowRestored(*restored);
    });
}

// Makes the restored item current again, as it was when it was deleted.
void TMainForm::ShowRestored(const LastDelete& item) {
    if (CurrentDesigner() != item.designer || item.collection.empty()) {
        form.DesignerCombo.text = item.designer;
        FillDesignerList();
    }
    if (!item.collection.empty() && CurrentCollection() != item.collection) {
        form.CollectionCombo.text = item.collection;
        FillCollectionList();
    }
    if (!item.garment.empty()) {
        FillGarmentList();
        const std::vector<std::string>& entries = form.MacroList.entries;
        for (int i = 0; i < int(entries.size()); ++i) {
            if (entries[i] == item.garment)
                form.MacroList.selected = i;
        }
    }
    RefreshActiveTab(true);
}

}  // namespace kb
