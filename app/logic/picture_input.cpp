#include "app/logic/picture_input.h"

#include "app/logic/user_interface.h"
#include "foundation/files.h"
#include "foundation/paths.h"

namespace kb {

PictureInput::PictureInput(UserInterface& ui, std::string target, std::string defaultPicture)
    : ui_(ui), target_(std::move(target)), default_(std::move(defaultPicture)) {
    OpenBmpDialog.name = "OpenBmpDialog";
    OpenBmpDialog.filter = "Bitmaps (*.bmp)|*.bmp";
}

void PictureInput::Show() {
    if (!FileExists(target_))
        CopyFile(default_, target_, true);
    UpdatePreview();
}

void PictureInput::PictureClick() {
    std::optional<std::string> picked = ui_.ChooseFile(OpenBmpDialog);
    if (picked && !picked->empty()) {
        OpenBmpDialog.folder = FolderOf(*picked);
        CopyFile(*picked, target_, true);
    }
    UpdatePreview();
}

// The target's picture, else the default's; an unreadable one leaves the preview as it was.
void PictureInput::UpdatePreview() {
    const std::string& wanted = FileExists(target_) ? target_ : default_;
    if (ui_.PictureReadable(wanted))
        preview_ = wanted;
    else if (ui_.PictureReadable(default_))
        preview_ = default_;
}

}  // namespace kb
