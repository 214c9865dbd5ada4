#pragma once
// Text encodings of scripts and the texts they name.
#include <string>
#include <string_view>

namespace compiler {

// The text as UTF-8: kept when it is valid UTF-8 (a leading byte-order mark removed),
// otherwise converted from Windows-1252.
std::string DecodeScriptText(std::string_view bytes);

// The UTF-16LE bytes of a UTF-8 text.
std::string Utf16LeBytes(std::string_view utf8);

}  // namespace compiler
