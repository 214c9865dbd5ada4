#include <QFileInfo>

#include "app/ui/program_files_start.h"
#include "foundation/platform.h"

namespace kb {

// The shell's "open" (ShellExecuteW) starts the setup as Explorer would.
bool StartProgramFile(const QString& path) {
    return OpenWithDefaultHandler(QFileInfo(path).absoluteFilePath().toStdString());
}

}  // namespace kb
