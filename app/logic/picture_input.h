#pragma once
// The picture dialog's behaviour: the setup picture of the current collection, with its
// default, its preview and the bitmap chooser. The window shows it; this class decides.
#include <string>

#include "app/logic/form_model.h"

namespace kb {

class UserInterface;

class PictureInput {
  public:
    // target: the collection's "_mini.bmp"; defaultPicture: the stock "Kitbinder.bmp".
    PictureInput(UserInterface& ui, std::string target, std::string defaultPicture);

    // On showing: gives the collection the default picture when it has none, then previews.
    void Show();
    // A click on the picture: pick a bitmap with OpenBmpDialog, copy it over the target (on OK),
    // then preview again.
    void PictureClick();

    // The file whose picture the dialog draws; "" when none could be loaded yet.
    const std::string& Preview() const { return preview_; }
    const std::string& Target() const { return target_; }

    FileChooser OpenBmpDialog;

  private:
    void UpdatePreview();

    UserInterface& ui_;
    std::string target_;
    std::string default_;
    std::string preview_;
};

}  // namespace kb
