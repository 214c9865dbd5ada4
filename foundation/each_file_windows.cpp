// The Win32 folder listing behind each_file.cpp.
#include <windows.h>

#include <stdexcept>

#include "foundation/system_calls.h"
#include "foundation/wide_text_windows.h"

namespace kb::os {

struct FolderReader::System {
    HANDLE find = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAW data{};
    bool pending = false;  // data holds an entry not yet handed out
    bool opened = false;
};

FolderReader::FolderReader(const std::string& folder) : system_(std::make_unique<System>()) {
    if (folder.empty()) {
        problem_ = SystemMessage(ERROR_PATH_NOT_FOUND);
        return;
    }
    std::wstring pattern;
    try {
        pattern = WidePath(folder);
    } catch (const std::invalid_argument& error) {
        problem_ = error.what();
        return;
    }
    if (pattern.back() != L'\\')
        pattern += L'\\';
    pattern += L'*';
    system_->find = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &system_->data,
                                     FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (system_->find != INVALID_HANDLE_VALUE) {
        system_->opened = system_->pending = true;
        return;
    }
    const DWORD error = GetLastError();
    // A folder without entries at all (a drive's root) has nothing to find.
    system_->opened = error == ERROR_FILE_NOT_FOUND;
    if (!system_->opened)
        problem_ = SystemMessage(error);
}

FolderReader::~FolderReader() {
    if (system_->find != INVALID_HANDLE_VALUE)
        FindClose(system_->find);
}

bool FolderReader::Opened() const {
    return system_->opened;
}

bool FolderReader::Next(std::string& name, EntryKind& kind) {
    if (system_->find == INVALID_HANDLE_VALUE)
        return false;
    for (;;) {
        if (!system_->pending && !FindNextFileW(system_->find, &system_->data))
            return false;
        system_->pending = false;
        const std::wstring_view found = system_->data.cFileName;
        if (found == L"." || found == L"..")
            continue;
        name = Narrow(found);
        const DWORD attributes = system_->data.dwFileAttributes;
        kind = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) ? EntryKind::Unknown
               : (attributes & FILE_ATTRIBUTE_DIRECTORY)   ? EntryKind::Folder
                                                           : EntryKind::File;
        return true;
    }
}

}  // namespace kb::os
