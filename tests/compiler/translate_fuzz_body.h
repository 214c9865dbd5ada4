#pragma once
// One fuzzing round of the script translator: arbitrary bytes are read as a script, and when
// they compile, the NSIS text written for them must hold no compile-time command, no define
// reference and no line break of the script's own making.
#include <optional>
#include <string>
#include <string_view>

namespace compiler::test {

// The NSIS text for the script bytes, or nullopt when the script has a compile error. Relative
// paths in the script name files of a folder that holds "a.txt", "lic.rtf" and "pic.bmp".
std::optional<std::string> TranslateForFuzz(std::string_view bytes);

// The first thing in the NSIS text that the translator does not write itself: a line that
// starts with a compile-time command or macro it does not use, a "${...}" it does not define, a
// "$%NAME%", a line broken by a lone CR or continued by a trailing backslash. "" when there is
// none.
std::string ForeignNsisText(std::string_view nsis);

// Translates the bytes and aborts with a message when the text holds something foreign.
void FuzzTranslatorOnce(std::string_view bytes);

}  // namespace compiler::test
