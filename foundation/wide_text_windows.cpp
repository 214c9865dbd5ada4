#include "foundation/wide_text_windows.h"

#include <windows.h>

#include <climits>
#include <stdexcept>

namespace kb {

std::wstring Wide(std::string_view text) {
    if (text.empty())
        return {};
    if (text.size() > INT_MAX)
        throw std::runtime_error("Text too long to convert");
    const int size = static_cast<int>(text.size());
    const int length =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (length <= 0)
        throw std::runtime_error("Not valid UTF-8: \"" + std::string(text) + "\"");
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, wide.data(), length);
    return wide;
}

std::string Narrow(std::wstring_view text) {
    if (text.empty())
        return {};
    if (text.size() > INT_MAX)
        throw std::runtime_error("Text too long to convert");
    const int size = static_cast<int>(text.size());
    const int length = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(), size,
                                           nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        throw std::runtime_error("Not valid UTF-16 text");
    std::string narrow(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(), size, narrow.data(), length,
                        nullptr, nullptr);
    return narrow;
}

}  // namespace kb
