// The POSIX folder listing behind each_file.cpp.
#include <dirent.h>

#include <cerrno>
#include <cstring>

#include "foundation/system_calls.h"

namespace kb::os {

struct FolderReader::System {
    DIR* listing = nullptr;
};

FolderReader::FolderReader(const std::string& folder) : system_(std::make_unique<System>()) {
    system_->listing = folder.empty() ? nullptr : ::opendir(folder.c_str());
    if (system_->listing == nullptr)
        problem_ = std::strerror(folder.empty() ? ENOENT : errno);
}

FolderReader::~FolderReader() {
    if (system_->listing != nullptr)
        ::closedir(system_->listing);
}

bool FolderReader::Opened() const {
    return system_->listing != nullptr;
}

bool FolderReader::Next(std::string& name, EntryKind& kind) {
    if (system_->listing == nullptr)
        return false;
    while (const dirent* entry = ::readdir(system_->listing)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        name = entry->d_name;
        kind = entry->d_type == DT_DIR   ? EntryKind::Folder
               : entry->d_type == DT_REG ? EntryKind::File
                                         : EntryKind::Unknown;
        return true;
    }
    return false;
}

}  // namespace kb::os
