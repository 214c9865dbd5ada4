#include <QDesktopServices>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QUrl>

#include "app/ui/program_files_start.h"
#include "foundation/platform.h"

namespace kb {
namespace {

// Whether the desktop has a program registered for the file's type.
bool HandlerRegistered(const QString& path) {
    const QString type = QMimeDatabase().mimeTypeForFile(path).name();
    const ProgramResult query =
        StartProgram("xdg-mime", {"query", "default", type.toStdString()}, "", true);
    return query.started && query.exitCode == 0 &&
           !QString::fromStdString(query.output).trimmed().isEmpty();
}

}  // namespace

bool StartProgramFile(const QString& path) {
    if (!HandlerRegistered(path))
        return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
}

}  // namespace kb
