#pragma once
// The window's own pictures, drawn at run time: the background texture of the tab pages and
// dialogs, the icons of the buttons, the 16 x 16 missing-file indicator and the product picture.
#include <QIcon>
#include <QPixmap>

namespace kb {

enum class IconKind {
    Add,
    Delete,
    Rename,
    Pdf,
    Html,
    License,
    Picture,
    ReadmeBefore,
    ReadmeAfter,
    Scan,
    AddGarment,
    RemoveGarment,
};

// A 200 x 200 woven-linen texture, stretched over tab pages and dialogs.
const QPixmap& BackgroundTexture();
// The 16 x 16 yellow warning triangle of the missing-file indicators.
const QPixmap& WarningIndicator();
// The 49 x 49 picture of the About box: a thread bobbin.
const QPixmap& ProductPicture();
// The picture of a button; small icon buttons use 20 x 20, large ones 32 x 32.
QIcon ButtonIcon(IconKind kind);

}  // namespace kb
