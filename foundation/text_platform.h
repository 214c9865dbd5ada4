#pragma once
// The locale services behind text.h and FoldNameCase, one implementation per platform (ICU on
// Linux, the national language support of Windows there; IsValidUtf8 and FromWindows1252 of
// text.h come from the same files). The portable rules around them live in text.cpp and
// each_file.cpp.
#include <optional>
#include <string>
#include <string_view>

namespace kb::platform {

// The valid UTF-8 text in upper or lower case by the user's locale; nullopt when the platform
// cannot map it.
std::optional<std::string> LocaleCase(std::string_view text, bool upper);

// Linguistic, case-sensitive order of two texts under the user's locale: <0, 0 or >0. Bytes
// that are not UTF-8 compare as replacement characters. nullopt when the platform cannot
// compare them.
std::optional<int> LocaleCompare(std::string_view a, std::string_view b);

// The valid UTF-8 name in upper case as the file system compares names: code point by code
// point, whatever the user's locale; nullopt when name is no valid UTF-8.
std::optional<std::string> FileSystemUpperCase(std::string_view name);

}  // namespace kb::platform
