#include "app/ui/drawn_pictures.h"

#include <QGuiApplication>
#include <QIconEngine>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>
#include <map>

namespace kb {
namespace {

constexpr int kIconSize = 32;

// A transparent picture of width x height pixels of the layout, drawn at ratio device pixels
// per layout pixel (painters on it work in layout pixels).
QPixmap Blank(int width, int height, qreal ratio = 1) {
    QPixmap pixmap(qRound(width * ratio), qRound(height * ratio));
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

QPixmap DrawTexture() {
    // The weave's 2 x 2 cells are written as pixels: ten thousand painter calls took longer than
    // the rest of the window's first paint.
    QImage image(200, 200, QImage::Format_RGB32);
    // A fixed seed: the texture looks the same on every run and in every screenshot.
    QRandomGenerator random(20151);
    for (int y = 0; y < 200; y += 2) {
        QRgb* rows[] = {reinterpret_cast<QRgb*>(image.scanLine(y)),
                        reinterpret_cast<QRgb*>(image.scanLine(y + 1))};
        for (int x = 0; x < 200; x += 2) {
            const bool warp = ((x / 2 + y / 2) % 2) == 0;
            const int shade = 206 + random.bounded(22) + (warp ? 4 : -4);
            const QRgb cell = qRgb(shade, shade - 2, shade - 7);
            for (QRgb* row : rows)
                row[x] = row[x + 1] = cell;
        }
    }
    QPainter painter(&image);
    painter.setPen(QColor(200, 197, 190, 90));
    for (int i = 0; i < 200; i += 8) {
        painter.drawLine(0, i, 199, i);
        painter.drawLine(i, 0, i, 199);
    }
    painter.end();
    return QPixmap::fromImage(image);
}

QPixmap DrawWarning(qreal ratio) {
    QPixmap pixmap = Blank(16, 16, ratio);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath triangle;
    triangle.moveTo(8, 1);
    triangle.lineTo(15, 14.5);
    triangle.lineTo(1, 14.5);
    triangle.closeSubpath();
    painter.setPen(QPen(QColor(120, 80, 0), 1));
    painter.setBrush(QColor(255, 204, 0));
    painter.drawPath(triangle);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    painter.drawRect(QRectF(7.2, 5, 1.6, 5.5));
    painter.drawEllipse(QRectF(7.1, 11.2, 1.8, 1.8));
    return pixmap;
}

QPixmap DrawBobbin() {
    QPixmap pixmap = Blank(49, 49);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient wood(0, 0, 49, 0);
    wood.setColorAt(0, QColor(150, 100, 50));
    wood.setColorAt(0.5, QColor(220, 170, 110));
    wood.setColorAt(1, QColor(140, 90, 45));
    painter.setPen(QPen(QColor(90, 55, 20), 1));
    painter.setBrush(wood);
    painter.drawRoundedRect(QRectF(6, 3, 37, 7), 3, 3);
    painter.drawRoundedRect(QRectF(6, 39, 37, 7), 3, 3);
    QLinearGradient thread(0, 0, 49, 0);
    thread.setColorAt(0, QColor(120, 20, 40));
    thread.setColorAt(0.5, QColor(220, 60, 90));
    thread.setColorAt(1, QColor(110, 15, 35));
    painter.setBrush(thread);
    painter.drawRect(QRectF(11, 10, 27, 29));
    painter.setPen(QPen(QColor(150, 30, 55, 160), 1));
    for (int y = 13; y < 39; y += 3)
        painter.drawLine(11, y, 38, y + 1);
    painter.setPen(QPen(QColor(200, 50, 80), 1.5));
    painter.drawLine(QPointF(38, 30), QPointF(47, 45));
    return pixmap;
}

void DrawSheet(QPainter& painter, const QColor& band, const QString& label) {
    QPainterPath sheet;
    sheet.moveTo(7, 2);
    sheet.lineTo(21, 2);
    sheet.lineTo(26, 7);
    sheet.lineTo(26, 30);
    sheet.lineTo(7, 30);
    sheet.closeSubpath();
    painter.setPen(QPen(QColor(90, 90, 90), 1));
    painter.setBrush(Qt::white);
    painter.drawPath(sheet);
    painter.setPen(QPen(QColor(170, 170, 170), 1));
    for (int y = 9; y < 28; y += 3)
        painter.drawLine(10, y, 23, y);
    if (label.isEmpty())
        return;
    painter.setPen(Qt::NoPen);
    painter.setBrush(band);
    painter.drawRect(QRectF(3, 16, 24, 10));
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPixelSize(8);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRectF(3, 16, 24, 10), Qt::AlignCenter, label);
}

void DrawArrow(QPainter& painter, QPointF from, QPointF to, const QColor& color) {
    painter.setPen(QPen(color, 3, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(from, to);
    const QPointF direction = (to - from) / std::hypot(to.x() - from.x(), to.y() - from.y());
    const QPointF normal(-direction.y(), direction.x());
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawPolygon(QPolygonF{to + direction * 4, to - direction * 5 + normal * 6,
                                  to - direction * 5 - normal * 6});
}

void DrawPlus(QPainter& painter, const QColor& color) {
    painter.setPen(QPen(color.darker(140), 1));
    painter.setBrush(color);
    painter.drawRoundedRect(QRectF(13, 4, 6, 24), 2, 2);
    painter.drawRoundedRect(QRectF(4, 13, 24, 6), 2, 2);
    painter.setPen(Qt::NoPen);
    painter.drawRect(QRectF(13.5, 13.5, 5, 5));
}

void DrawMinus(QPainter& painter, const QColor& color) {
    painter.setPen(QPen(color.darker(140), 1));
    painter.setBrush(color);
    painter.drawRoundedRect(QRectF(4, 13, 24, 6), 2, 2);
}

void DrawCross(QPainter& painter) {
    painter.setPen(QPen(QColor(150, 20, 20), 6, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(7, 7, 25, 25);
    painter.drawLine(25, 7, 7, 25);
    painter.setPen(QPen(QColor(225, 50, 40), 4, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(7, 7, 25, 25);
    painter.drawLine(25, 7, 7, 25);
}

void DrawPicture(QPainter& painter) {
    painter.setPen(QPen(QColor(80, 80, 80), 1));
    painter.setBrush(QColor(170, 210, 245));
    painter.drawRect(QRectF(3, 5, 26, 22));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 210, 60));
    painter.drawEllipse(QRectF(19, 8, 6, 6));
    painter.setBrush(QColor(60, 140, 60));
    painter.drawPolygon(QPolygonF{QPointF(4, 26), QPointF(13, 13), QPointF(21, 26)});
    painter.setBrush(QColor(40, 110, 40));
    painter.drawPolygon(QPolygonF{QPointF(14, 26), QPointF(21, 17), QPointF(28, 26)});
}

void DrawMagnifier(QPainter& painter) {
    painter.setPen(QPen(QColor(70, 50, 30), 5, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(20, 20), QPointF(28, 28));
    painter.setPen(QPen(QColor(60, 60, 70), 2.5));
    painter.setBrush(QColor(200, 230, 255, 190));
    painter.drawEllipse(QRectF(3, 3, 18, 18));
    painter.setPen(QPen(Qt::white, 1.5));
    painter.drawArc(QRectF(7, 7, 10, 10), 90 * 16, 80 * 16);
}

QPixmap DrawIcon(IconKind kind, qreal ratio) {
    QPixmap pixmap = Blank(kIconSize, kIconSize, ratio);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    switch (kind) {
        case IconKind::Add:
            DrawPlus(painter, QColor(40, 170, 60));
            break;
        case IconKind::Delete:
            DrawCross(painter);
            break;
        case IconKind::Rename:
            DrawArrow(painter, QPointF(15, 11), QPointF(5, 11), QColor(30, 90, 190));
            DrawArrow(painter, QPointF(17, 21), QPointF(27, 21), QColor(30, 90, 190));
            break;
        case IconKind::Pdf:
            DrawSheet(painter, QColor(200, 30, 30), "PDF");
            break;
        case IconKind::Html:
            DrawSheet(painter, QColor(30, 100, 200), "WWW");
            break;
        case IconKind::License:
            DrawSheet(painter, QColor(120, 80, 20), QString::fromUtf8("\u00a7"));
            break;
        case IconKind::Picture:
            DrawPicture(painter);
            break;
        case IconKind::ReadmeBefore:
            DrawSheet(painter, {}, {});
            DrawArrow(painter, QPointF(29, 26), QPointF(16, 26), QColor(30, 140, 60));
            break;
        case IconKind::ReadmeAfter:
            DrawSheet(painter, {}, {});
            DrawArrow(painter, QPointF(3, 26), QPointF(16, 26), QColor(30, 140, 60));
            break;
        case IconKind::Scan:
            DrawMagnifier(painter);
            break;
        case IconKind::AddGarment:
            DrawPlus(painter, QColor(40, 170, 60));
            break;
        case IconKind::RemoveGarment:
            DrawMinus(painter, QColor(210, 50, 40));
            break;
    }
    return pixmap;
}

// The pictures of one button icon, drawn for ordinary and dense screens when the icon is first
// painted or measured: the icons of the tabs not shown at start cost nothing until they show.
// Every question goes to the drawn QIcon, which picks the picture that suits the screen.
class DrawnIconEngine : public QIconEngine {
  public:
    explicit DrawnIconEngine(IconKind kind) : kind_(kind) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        Drawn().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return Drawn().pixmap(size, 1.0, mode, state);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override {
        return Drawn().pixmap(size, scale, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return Drawn().actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
        return Drawn().availableSizes(mode, state);
    }
    bool isNull() override { return false; }
    QString key() const override { return QStringLiteral("kb.drawn"); }
    QIconEngine* clone() const override { return new DrawnIconEngine(kind_); }

  private:
    const QIcon& Drawn() {
        if (drawn_.isNull()) {
            for (const qreal ratio : {1.0, 1.5, 2.0, 3.0})
                drawn_.addPixmap(DrawIcon(kind_, ratio));
        }
        return drawn_;
    }

    IconKind kind_;
    QIcon drawn_;
};

}  // namespace

const QPixmap& BackgroundTexture() {
    static const QPixmap texture = DrawTexture();
    return texture;
}

const QPixmap& WarningIndicator() {
    // Sharp on the densest screen; others draw it scaled down.
    static const QPixmap warning = DrawWarning(qGuiApp->devicePixelRatio());
    return warning;
}

const QPixmap& ProductPicture() {
    static const QPixmap bobbin = DrawBobbin();
    return bobbin;
}

QIcon ButtonIcon(IconKind kind) {
    static std::map<IconKind, QIcon> icons;
    auto [at, added] = icons.try_emplace(kind);
    if (added)
        at->second = QIcon(new DrawnIconEngine(kind));
    return at->second;
}

}  // namespace kb
