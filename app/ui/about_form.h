#pragma once
// TAboutForm: product picture, name, version, build, build date and the maker's web address.
// Its texts are computed once, when it is made.
#include <QDialog>

namespace kb {

// The maker's web address shown in the About box.
extern const char kMakerWebAddress[];

class AboutForm : public QDialog {
  public:
    explicit AboutForm(QWidget* parent);
};

}  // namespace kb
