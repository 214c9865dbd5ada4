// The freedesktop trash: the user's own below the data folder for files on the home folder's
// disk, a shared one at the top of any other disk.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "foundation/files.h"
#include "foundation/trash_platform.h"

namespace kb::trash_platform {
namespace {

namespace fs = std::filesystem;

bool DeviceOf(const std::string& path, dev_t& device) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return false;
    device = info.st_dev;
    return true;
}

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::string() : std::string(value);
}

// A trash folder with its files and info folders, made private when missing.
bool MakeTrash(const std::string& trash) {
    for (const std::string& folder : {trash, trash + "/files", trash + "/info"}) {
        if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        struct stat info {};
        if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
            return false;
    }
    return true;
}

std::string HomeTrash() {
    std::string data = Environment("XDG_DATA_HOME");
    if (data.empty() || data.front() != '/')
        data = Environment("HOME") + "/.local/share";
    std::error_code ec;
    fs::create_directories(FsPath(data), ec);
    const std::string trash = data + "/Trash";
    return MakeTrash(trash) ? trash : std::string();
}

// The topmost folder of folder's disk.
std::string TopOfDisk(const std::string& folder, dev_t device) {
    fs::path top = fs::path(folder).lexically_normal();
    while (top.has_parent_path() && top.parent_path() != top) {
        dev_t parent = 0;
        if (!DeviceOf(top.parent_path().string(), parent) || parent != device)
            break;
        top = top.parent_path();
    }
    return top.string();
}

// The shared trash at the top of a disk: .Trash/<uid> in an administrator's sticky .Trash, or
// else the user's own .Trash-<uid>.
std::string DiskTrash(const std::string& top) {
    const std::string uid = std::to_string(::getuid());
    const std::string shared = top + "/.Trash";
    struct stat info {};
    if (::lstat(shared.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && (info.st_mode & S_ISVTX) &&
        MakeTrash(shared + "/" + uid))
        return shared + "/" + uid;
    const std::string own = top + "/.Trash-" + uid;
    if (MakeTrash(own) && ::lstat(own.c_str(), &info) == 0 && info.st_uid == ::getuid())
        return own;
    return {};
}

}  // namespace

std::string TrashFor(std::string_view folderText) {
    const std::string folder(folderText);
    dev_t device = 0, home = 0;
    if (!DeviceOf(folder, device))
        return {};
    if (DeviceOf(Environment("HOME"), home) && home == device) {
        const std::string trash = HomeTrash();
        dev_t trashDevice = 0;
        // A trash on another disk cannot take the files by renaming them.
        if (!trash.empty() && DeviceOf(trash, trashDevice) && trashDevice == device)
            return trash;
        return {};
    }
    return DiskTrash(TopOfDisk(folder, device));
}

bool IsInTrash(std::string_view trash, std::string_view inTrash) {
    const fs::path files = (fs::path(std::string(trash)) / "files").lexically_normal();
    const fs::path place = fs::path(std::string(inTrash)).lexically_normal();
    return place.is_absolute() && place.parent_path() == files;
}

void ForgetEntry(std::string_view inTrash) {
    const fs::path place{std::string(inTrash)};
    const fs::path record =
        place.parent_path().parent_path() / "info" / (place.filename().string() + ".trashinfo");
    std::error_code ec;
    fs::remove(record, ec);
}

}  // namespace kb::trash_platform
