#include "foundation/each_file.h"

#include <sys/stat.h>

#include <cstring>

#include "foundation/paths.h"

namespace kb {

namespace {

// The entries of folder whose state (links followed) passes keep; "." and ".." skipped.
template <typename Keep>
std::vector<std::string> ListNames(const std::string& folder, Keep keep) {
    std::vector<std::string> names;
    EachFileDir entries(folder);
    while (!entries.Next()) {
        struct stat state {};
        // A plain join: names that path checks refuse must still be listed.
        std::string path = folder + "/" + entries.Name();
        bool known = ::stat(path.c_str(), &state) == 0;
        if (keep(known, state))
            names.push_back(entries.Name());
    }
    return names;
}

}  // namespace

EachFileDir::EachFileDir(std::string folder) : folder_(std::move(folder)) {
    Reset();
}

EachFileDir::~EachFileDir() {
    Close();
}

void EachFileDir::Close() {
    if (handle_ != nullptr) {
        closedir(handle_);
        handle_ = nullptr;
    }
}

void EachFileDir::Reset() {
    Close();
    if (!folder_.empty())
        handle_ = opendir(folder_.c_str());
}

bool EachFileDir::Next() {
    if (handle_ == nullptr)
        return true;
    while (const dirent* entry = readdir(handle_)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) {
            continue;
        }
        current_ = entry->d_name;
        return false;
    }
    return true;
}

void EachFileDir::End() {
    Close();
}

std::string EachFileDir::Current() const {
    return FullPath(folder_, current_);
}

// An entry whose state cannot be read counts as a file.
EachFile::EachFile(std::string folder, std::string /*mask*/)
    : folder_(std::move(folder)),
      names_(ListNames(folder_, [](bool known, const struct stat& state) {
          return !known || !S_ISDIR(state.st_mode);
      })) {}

bool EachFile::Next() {
    if (position_ >= names_.size())
        return true;
    current_ = names_[position_++];
    return false;
}

std::string EachFile::CurrentPath() const {
    return FullPath(folder_, current_);
}

EachDirectory::EachDirectory(std::string folder)
    : folder_(std::move(folder)),
      names_(ListNames(folder_, [](bool known, const struct stat& state) {
          return known && S_ISDIR(state.st_mode);
      })) {}

bool EachDirectory::Next() {
    if (position_ >= names_.size())
        return true;
    current_ = names_[position_++];
    currentPath_ = FullPath(folder_, current_);
    return false;
}

}  // namespace kb
