// The Recycle Bin of each drive.
#include <windows.h>

#include <shellapi.h>

#include <filesystem>
#include <string>

#include "foundation/trash_platform.h"
#include "foundation/wide_text_windows.h"

namespace kb::trash_platform {
namespace {

std::wstring Lower(std::wstring text) {
    CharLowerBuffW(text.data(), DWORD(text.size()));
    return text;
}

}  // namespace

std::string TrashFor(std::string_view folder) {
    wchar_t root[MAX_PATH + 1] = {};
    if (!GetVolumePathNameW(Wide(folder).c_str(), root, MAX_PATH))
        return {};
    SHQUERYRBINFO info{};
    info.cbSize = sizeof(info);
    // Drives without a Recycle Bin (network shares, some removable media) answer an error.
    if (SHQueryRecycleBinW(root, &info) != S_OK)
        return {};
    return Narrow(root);
}

bool IsInTrash(std::string_view trash, std::string_view inTrash) {
    const std::wstring place = Lower(Wide(inTrash));
    return !place.empty() && place.rfind(Lower(Wide(trash)), 0) == 0 &&
           place.find(L"$recycle.bin") != std::wstring::npos;
}

// The Recycle Bin keeps each entry as $R... with its record $I... beside it.
void ForgetEntry(std::string_view inTrash) {
    std::filesystem::path place(Wide(inTrash));
    std::wstring name = place.filename().wstring();
    if (name.size() < 2 || name.compare(0, 2, L"$R") != 0)
        return;
    name[1] = L'I';
    DeleteFileW((place.parent_path() / name).c_str());
}

}  // namespace kb::trash_platform
