// The Windows side of paths.cpp.
#include <windows.h>

#include "foundation/paths.h"
#include "foundation/wide_text_windows.h"

namespace kb {

const char kPathSeparator = '\\';

std::string CurrentFolder() {
    const DWORD size = GetCurrentDirectoryW(0, nullptr);
    std::wstring folder(size, L'\0');
    const DWORD length = size == 0 ? 0 : GetCurrentDirectoryW(size, folder.data());
    if (length == 0 || length >= size)
        return "\\";
    folder.resize(length);
    if (folder.starts_with(L"\\\\?\\UNC\\"))
        folder = L"\\\\" + folder.substr(8);
    else if (folder.starts_with(L"\\\\?\\"))
        folder = folder.substr(4);
    return Narrow(folder);
}

}  // namespace kb
