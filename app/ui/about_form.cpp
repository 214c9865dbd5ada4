#include "app/ui/about_form.h"

#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>
#include <QUrl>

#include "app/logic/about_texts.h"
#include "app/ui/drawn_pictures.h"
#include "app/ui/textured_page.h"

#ifndef KB_VERSION
#define KB_VERSION ""
#endif

namespace kb {

const char kMakerWebAddress[] = "https://www.example.com/kitbinder";

namespace {

QLabel* AddLabel(QWidget* page, const char* name, const std::string& text, const QRect& geometry,
                 Qt::Alignment alignment) {
    auto* label = new QLabel(QString::fromStdString(text), page);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(geometry);
    label->setAlignment(alignment | Qt::AlignVCenter);
    return label;
}

}  // namespace

AboutForm::AboutForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutForm"));
    setWindowTitle(QStringLiteral("About"));
    setFixedSize(214, 319);
    auto* page = new TexturedPage(this);
    page->setGeometry(rect());
    const AboutTexts texts = MakeAboutTexts(KB_VERSION, __DATE__);

    auto* picture = new QLabel(page);
    picture->setObjectName(QStringLiteral("ProductPicture"));
    picture->setPixmap(ProductPicture());
    picture->setGeometry((214 - 49) / 2, 16, 49, 49);

    QLabel* title =
        AddLabel(page, "TitleLabel", "Kit Binder", QRect(8, 76, 198, 30), Qt::AlignHCenter);
    QFont large = title->font();
    large.setPointSize(14);
    large.setBold(true);
    title->setFont(large);

    AddLabel(page, "VersionLabel", "Version", QRect(8, 124, 96, 18), Qt::AlignRight);
    AddLabel(page, "Version", texts.version, QRect(112, 124, 94, 18), Qt::AlignLeft);
    AddLabel(page, "BuildLabel", "Build", QRect(8, 146, 96, 18), Qt::AlignRight);
    AddLabel(page, "Build", texts.build, QRect(112, 146, 94, 18), Qt::AlignLeft);
    AddLabel(page, "DateLable", texts.date, QRect(8, 178, 198, 18), Qt::AlignHCenter);

    const QString address = QString::fromLatin1(kMakerWebAddress);
    QLabel* link = AddLabel(page, "Label1", {}, QRect(8, 214, 198, 18), Qt::AlignHCenter);
    link->setText(QStringLiteral("<a href=\"%1\">%1</a>").arg(address));
    link->setCursor(Qt::PointingHandCursor);
    connect(link, &QLabel::linkActivated, this,
            [](const QString& url) { QDesktopServices::openUrl(QUrl(url)); });

    auto* ok = new QPushButton(QStringLiteral("Ok"), page);
    ok->setObjectName(QStringLiteral("OkButton"));
    ok->setGeometry(8, 282, 198, 28);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace kb
