#include "app/ui/picture_input_form.h"

#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <exception>

#include "app/logic/main_form.h"
#include "app/logic/picture_input.h"
#include "app/ui/hints.h"
#include "app/ui/textured_page.h"
#include "app/ui/ui_events.h"

namespace kb {

PictureInputForm::PictureInputForm(QWidget* parent, UserInterface& ui) : QDialog(parent), ui_(ui) {
    setObjectName(QStringLiteral("PictureInputForm"));
    setWindowTitle(QStringLiteral("Picture for Setup"));
    setFixedSize(275, 454);
    auto* page = new TexturedPage(this);
    page->setGeometry(rect());
    auto* bevel = new QFrame(page);
    bevel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    bevel->setLineWidth(2);
    bevel->setGeometry(51, 16, 173, 324);
    filePicture_ = new QLabel(page);
    filePicture_->setObjectName(QStringLiteral("FilePicture"));
    filePicture_->setGeometry(55, 20, 165, 316);
    filePicture_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    filePicture_->setCursor(Qt::PointingHandCursor);
    SetHint(filePicture_, QStringLiteral("Click to change picture .bmp"));
    OnEvent(filePicture_, QEvent::MouseButtonRelease, [this] { PictureClick(); });
    auto* info = new QLabel(QStringLiteral("Click above to change Picture "), page);
    info->setObjectName(QStringLiteral("BmpInfoLabel"));
    info->setAlignment(Qt::AlignCenter);
    info->setGeometry(8, 350, 259, 18);
    auto* size = new QLabel(QStringLiteral("(.bmp typically 165  wide by 315 high)"), page);
    size->setObjectName(QStringLiteral("BmpSizeLabel"));
    size->setAlignment(Qt::AlignCenter);
    size->setGeometry(8, 370, 259, 18);
    auto* ok = new QPushButton(QStringLiteral("Ok"), page);
    ok->setObjectName(QStringLiteral("OkButton"));
    ok->setGeometry(100, 412, 75, 25);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

void PictureInputForm::ShowFor(PictureInput& picture) {
    picture_ = &picture;
    exec();
    picture_ = nullptr;
}

template <typename Step>
void PictureInputForm::Guarded(Step&& step) {
    try {
        step();
    } catch (const std::exception& error) {
        ShowApplicationError(ui_, error.what());
    }
    ShowPreview();
}

void PictureInputForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (picture_ != nullptr)
        Guarded([this] { picture_->Show(); });
}

void PictureInputForm::PictureClick() {
    if (picture_ != nullptr)
        Guarded([this] { picture_->PictureClick(); });
}

// Draws the preview unscaled from the top left corner; a file that does not load leaves the
// picture as it was.
void PictureInputForm::ShowPreview() {
    if (picture_ == nullptr || picture_->Preview().empty())
        return;
    QPixmap pixmap;
    if (pixmap.load(QString::fromStdString(picture_->Preview())))
        filePicture_->setPixmap(pixmap);
}

}  // namespace kb
