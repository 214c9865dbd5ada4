#pragma once
// UTF-8 <-> UTF-16 for the wide Win32 calls. The program's texts are UTF-8; Windows names files,
// folders and command lines in UTF-16.
#include <string>
#include <string_view>

namespace kb {

// Raises std::runtime_error naming the text when it is no valid UTF-8.
std::wstring Wide(std::string_view text);
// Raises std::runtime_error when text holds an unpaired surrogate.
std::string Narrow(std::wstring_view text);

// A path for the wide file calls: "/" read as "\\"; a long absolute path (a drive letter or
// "\\server\share") gets the "\\?\" prefix so that it may pass the old 260-character limit.
std::wstring WidePath(std::string_view path);

// The system's text for an error code (GetLastError()), without the trailing line end.
std::string SystemMessage(unsigned long error);

}  // namespace kb
