#pragma once
// UTF-8 <-> UTF-16 for the wide Windows API.
#include <string>
#include <string_view>

namespace kb {

// The UTF-8 text as UTF-16; raises std::invalid_argument when it is no valid UTF-8.
std::wstring Wide(std::string_view text);
// The UTF-16 text as UTF-8; unpaired surrogates become U+FFFD.
std::string Narrow(std::wstring_view text);

// A path for the wide file calls: "/" read as "\\"; a long absolute path (a drive letter or
// "\\server\share") gets the "\\?\" prefix so that it may pass the old 260-character limit.
// The prefix is added when the path, made absolute, holds 240 characters or more.
std::wstring WidePath(std::string_view path);
// A folder for the calls that refuse the "\\?\" form (a program's working folder): absolute,
// "/" read as "\\", without the prefix.
std::wstring WideFolderPath(std::string_view path);

// The system's text for an error code (GetLastError()), without the trailing line end.
std::string SystemMessage(unsigned long error);

}  // namespace kb
