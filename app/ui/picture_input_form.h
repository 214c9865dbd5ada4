#pragma once
// TPictureInputForm: the collection's setup picture ("_mini.bmp") with a click to replace it.
// Made once at start-up; each showing is driven by a PictureInput of the window logic.
#include <QDialog>

class QLabel;

namespace kb {

class PictureInput;
class UserInterface;

class PictureInputForm : public QDialog {
  public:
    PictureInputForm(QWidget* parent, UserInterface& ui);

    // Shows the dialog modally for picture (which gives the collection its default picture when
    // it has none).
    void ShowFor(PictureInput& picture);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void PictureClick();
    void ShowPreview();
    // Runs a step of the logic; an error goes to the application's error display.
    template <typename Step>
    void Guarded(Step&& step);

    UserInterface& ui_;
    PictureInput* picture_ = nullptr;
    QLabel* filePicture_;
};

}  // namespace kb
