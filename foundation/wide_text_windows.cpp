#include "foundation/wide_text_windows.h"

#include <windows.h>

#include <stdexcept>

namespace kb {

std::wstring Wide(std::string_view text) {
    if (text.empty())
        return {};
    const int size = static_cast<int>(text.size());
    const int length =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (length == 0)
        throw std::invalid_argument("Text is not valid UTF-8: " + std::string(text));
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, wide.data(), length);
    return wide;
}

std::string Narrow(std::wstring_view text) {
    if (text.empty())
        return {};
    const int size = static_cast<int>(text.size());
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, narrow.data(), length, nullptr, nullptr);
    return narrow;
}

namespace {

// Where the "\\?\" prefix becomes needed: folders may hold only 248 characters.
constexpr size_t kShortPathLimit = 240;

bool IsDrivePath(std::wstring_view path) {
    return path.size() >= 3 && path[1] == L':' && path[2] == L'\\' &&
           ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'));
}

// The full path with "." and ".." resolved, which the "\\?\" form no longer does.
std::wstring FullWidePath(const std::wstring& path) {
    const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0)
        return path;
    std::wstring full(size, L'\0');
    const DWORD length = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
    if (length == 0 || length >= size)
        return path;
    full.resize(length);
    return full;
}

// The path with "/" read as "\\".
std::wstring WideBackslashed(std::string_view path) {
    std::wstring wide = Wide(path);
    for (wchar_t& c : wide) {
        if (c == L'/')
            c = L'\\';
    }
    return wide;
}

}  // namespace

// The limit is one of the absolute path: a short relative path below a deep current folder
// needs the prefix as much as a long absolute one.
std::wstring WidePath(std::string_view path) {
    const std::wstring wide = WideBackslashed(path);
    if (wide.starts_with(L"\\\\?\\") || wide.starts_with(L"\\\\.\\"))  // prefixed, or a device
        return wide;
    const std::wstring full = FullWidePath(wide);
    if (full.size() < kShortPathLimit)
        return wide;
    if (IsDrivePath(full))
        return L"\\\\?\\" + full;
    if (full.starts_with(L"\\\\"))
        return L"\\\\?\\UNC\\" + full.substr(2);
    return wide;
}

std::wstring WideFolderPath(std::string_view path) {
    std::wstring full = FullWidePath(WideBackslashed(path));
    if (full.starts_with(L"\\\\?\\UNC\\"))
        return L"\\\\" + full.substr(8);
    if (full.starts_with(L"\\\\?\\"))
        return full.substr(4);
    return full;
}

std::string SystemMessage(unsigned long error) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    if (length == 0 || buffer == nullptr)
        return "Error " + std::to_string(error);
    std::wstring text(buffer, length);
    LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' '))
        text.pop_back();
    return Narrow(text);
}

}  // namespace kb
