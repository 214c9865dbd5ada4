#include "app/ui/textured_page.h"

#include <QPainter>

#include "app/ui/drawn_pictures.h"

namespace kb {

TexturedPage::TexturedPage(QWidget* parent) : QWidget(parent) {}

void TexturedPage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(rect(), BackgroundTexture());
}

}  // namespace kb
