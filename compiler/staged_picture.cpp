#include "compiler/staged_picture.h"

#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QString>

#include "compiler/diagnostics.h"

namespace compiler {

void StagePicture(const std::string& from, const std::string& to) {
    QImageReader reader(QString::fromStdString(from));
    QImage image = reader.read();
    if (image.isNull())
        throw CompileError(from + ": the setup picture cannot be read (" +
                           reader.errorString().toStdString() +
                           "); save it again as a BMP picture of 24 bits");
    // Transparent parts show on the page's white, as the installer shows them.
    if (image.hasAlphaChannel()) {
        QImage opaque(image.size(), QImage::Format_RGB32);
        opaque.fill(Qt::white);
        QPainter(&opaque).drawImage(0, 0, image);
        image = opaque;
    }
    if (!image.convertToFormat(QImage::Format_RGB32).save(QString::fromStdString(to), "BMP"))
        throw CompileError(to + ": cannot write the setup picture for the setup");
}

}  // namespace compiler
