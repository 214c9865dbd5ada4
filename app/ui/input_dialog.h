#pragma once
// TInputDialog: one line of text under a title, with Ok and Cancel (renaming designers and
// collections). Made once at start-up and reused.
#include <QDialog>
#include <optional>
#include <string>

class QLabel;
class QLineEdit;

namespace kb {

class InputDialog : public QDialog {
  public:
    explicit InputDialog(QWidget* parent);

    // Shows the dialog modally with the title and the text in the edit; the entered text on Ok.
    std::optional<std::string> Ask(const std::string& title, const std::string& text);
    // The edit's content when the dialog was last hidden, kept until it is shown again.
    const QString& EnteredText() const { return entered_; }

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    QLabel* title_;
    QLineEdit* edit_;
    QString entered_;
};

}  // namespace kb
