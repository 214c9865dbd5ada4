// The locale services from the national language support of Windows.
#include <windows.h>

#include <climits>

#include "foundation/text.h"
#include "foundation/text_platform.h"
#include "foundation/wide_text_windows.h"

namespace kb {

namespace {

// The result of a Windows call that is asked for its length first and then filled:
// fill(buffer, capacity) answers the characters it wrote, or would write when capacity is 0;
// nullopt when it fails.
template <typename Fill>
std::optional<std::wstring> Filled(Fill fill) {
    const int length = fill(nullptr, 0);
    if (length <= 0)
        return std::nullopt;
    std::wstring out(static_cast<size_t>(length), L'\0');
    if (fill(out.data(), length) != length)
        return std::nullopt;
    return out;
}

bool FitsInt(size_t size) {
    return size <= static_cast<size_t>(INT_MAX);
}

// The bytes of code page as UTF-16; flags MB_ERR_INVALID_CHARS refuses what it cannot decode,
// 0 decodes it as U+FFFD.
std::optional<std::wstring> Decoded(UINT codePage, DWORD flags, std::string_view bytes) {
    if (bytes.empty())
        return std::wstring();
    if (!FitsInt(bytes.size()))
        return std::nullopt;
    return Filled([&](wchar_t* out, int capacity) {
        return MultiByteToWideChar(codePage, flags, bytes.data(), static_cast<int>(bytes.size()),
                                   out, capacity);
    });
}

// The text with LCMapStringEx's mapping of locale.
std::optional<std::string> Mapped(const wchar_t* locale, DWORD flags, std::string_view text) {
    if (!IsValidUtf8(text))
        return std::nullopt;
    const std::wstring wide = Wide(text);
    if (wide.empty())
        return std::string();
    const std::optional<std::wstring> mapped = Filled([&](wchar_t* out, int capacity) {
        return LCMapStringEx(locale, flags, wide.data(), static_cast<int>(wide.size()), out,
                             capacity, nullptr, nullptr, 0);
    });
    return mapped ? std::optional<std::string>(Narrow(*mapped)) : std::nullopt;
}

}  // namespace

bool IsValidUtf8(std::string_view text) {
    return Decoded(CP_UTF8, MB_ERR_INVALID_CHARS, text).has_value();
}

std::string FromWindows1252(std::string_view bytes) {
    const std::optional<std::wstring> wide = Decoded(1252, 0, bytes);
    return wide ? Narrow(*wide) : std::string(bytes);
}

namespace platform {

std::optional<std::string> LocaleCase(std::string_view text, bool upper) {
    return Mapped(LOCALE_NAME_USER_DEFAULT,
                  (upper ? LCMAP_UPPERCASE : LCMAP_LOWERCASE) | LCMAP_LINGUISTIC_CASING, text);
}

std::optional<int> LocaleCompare(std::string_view a, std::string_view b) {
    const std::optional<std::wstring> wideA = Decoded(CP_UTF8, 0, a);
    const std::optional<std::wstring> wideB = Decoded(CP_UTF8, 0, b);
    if (!wideA || !wideB)
        return std::nullopt;
    const int result =
        CompareStringEx(LOCALE_NAME_USER_DEFAULT, 0, wideA->data(), static_cast<int>(wideA->size()),
                        wideB->data(), static_cast<int>(wideB->size()), nullptr, nullptr, 0);
    if (result == 0)
        return std::nullopt;
    return result - CSTR_EQUAL;
}

// The file system's own table maps each UTF-16 unit alone, as the invariant locale's simple
// upper case does.
std::optional<std::string> FileSystemUpperCase(std::string_view name) {
    return Mapped(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, name);
}

}  // namespace platform

}  // namespace kb
