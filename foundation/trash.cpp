#include "foundation/trash.h"

#include <QFile>
#include <QString>
#include <filesystem>
#include <system_error>

#include "foundation/errors.h"
#include "foundation/files.h"
#include "foundation/paths.h"
#include "foundation/trash_platform.h"

namespace kb {
namespace {

bool Exists(std::string_view path) {
    std::error_code ec;
    return std::filesystem::symlink_status(FsPath(path), ec).type() !=
           std::filesystem::file_type::not_found;
}

void Rename(std::string_view from, std::string_view to, const std::string& failure) {
    std::error_code ec;
    std::filesystem::rename(FsPath(from), FsPath(to), ec);
    if (ec)
        throw FileError(failure + ": " + ec.message());
}

}  // namespace

bool TrashAvailable(std::string_view folder) {
    return !trash_platform::TrashFor(folder).empty();
}

TrashedFile MoveToTrash(std::string_view path) {
    const std::string original(path);
    const std::string failure = "\"" + original + "\" could not be moved to the trash";
    const std::string trash = trash_platform::TrashFor(FolderOf(original));
    if (trash.empty())
        throw FileError(failure + ": this system has no trash for its folder");
    QString inTrash;
    if (!QFile::moveToTrash(QString::fromStdString(original), &inTrash))
        throw FileError(failure);
    TrashedFile trashed{original, inTrash.toStdString()};
    // The toolkit may fall back to a place of its own choosing (even the working folder) when
    // the trash cannot be used: such a move is undone.
    if (!trash_platform::IsInTrash(trash, trashed.inTrash)) {
        Rename(trashed.inTrash, original, failure);
        trash_platform::ForgetEntry(trashed.inTrash);
        throw FileError(failure + ": the trash could not be used");
    }
    return trashed;
}

void RestoreFromTrash(const TrashedFile& file) {
    const std::string failure = "\"" + file.original + "\" could not be restored";
    if (Exists(file.original))
        throw FileError(failure + ": a file or folder of that name is there now");
    if (!Exists(file.inTrash))
        throw FileError(failure + ": the trash no longer holds it");
    EnsureFolder(FolderOf(file.original));
    Rename(file.inTrash, file.original, failure);
    trash_platform::ForgetEntry(file.inTrash);
}

}  // namespace kb
