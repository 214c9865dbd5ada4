#pragma once
// Text rules shared by the whole program: trimming, case mapping and locale-aware comparison.
// Texts are 8-bit strings in the system encoding (UTF-8 here). Every function is thread-safe.
#include <string>
#include <string_view>

namespace kb {

// Removes every character of code 32 or less from both ends; bytes of 128 and above stay.
std::string Trim(std::string_view text);

// Case mapping of the whole text by the user's locale.
std::string LowerCase(std::string_view text);
std::string UpperCase(std::string_view text);

// Whether text is well-formed UTF-8 (no overlong forms, surrogates or truncated sequences).
bool IsValidUtf8(std::string_view text);

// Windows-1252 bytes as UTF-8; the five bytes that code page leaves undefined become the C1
// controls of the same number.
std::string FromWindows1252(std::string_view bytes);

// Locale-aware, case-sensitive (tertiary) comparison: <0, 0 or >0.
int CompareText(std::string_view a, std::string_view b);
inline bool TextEqual(std::string_view a, std::string_view b) {
    return CompareText(a, b) == 0;
}
inline bool TextLess(std::string_view a, std::string_view b) {
    return CompareText(a, b) < 0;
}

// A comparison object for sorted containers and std::sort.
struct TextOrder {
    bool operator()(std::string_view a, std::string_view b) const { return TextLess(a, b); }
};

}  // namespace kb
