#pragma once
// Texts as NSIS script strings: escaping and Inno Setup constants turned into NSIS variables.
#include <stdexcept>
#include <string>
#include <string_view>

namespace compiler {

// The text escaped for use inside an NSIS double-quoted string: "$" becomes "$$", the double
// quote "$\"", and line breaks and tabs their $\ escapes. A "{", "\" or "%" right after a "$"
// is written "${U+7B}", "${U+5C}" or "${U+25}": makensis expands "${...}" and "$%NAME%" (an
// environment variable) and reads "$\" escapes before it turns "$$" into "$". Only for strings read
// once: a !define value is expanded again where it is used.
std::string NsisEscape(std::string_view text);

// Two string bodies joined by a backslash, written as a code point when the folder ends in an
// escaped "$".
std::string NsisJoin(std::string_view folder, std::string_view name);

// The text in double quotes, escaped.
std::string NsisQuote(std::string_view text);

// A path on this machine in double quotes, as makensis reads it while compiling (OutFile, File
// sources, pages' texts): it expands no variables there, so "$" stays as it is; a "{", "\" or
// "%" after it is written as a code point, the double quote as "$\"".
std::string NsisLocalPath(std::string_view path);

// An installer path with Inno constants ({app}, {pf}, {pf32}, {group}, ...; "{{" for a brace)
// as the body of an NSIS string: constants become NSIS variables, everything else is escaped,
// repeated backslashes collapse and a trailing backslash goes. Throws std::invalid_argument
// naming an unknown or unclosed constant.
std::string NsisInstallerPath(std::string_view innoPath);

// A text that Inno Setup expands constants in but this compiler takes as it stands (AppName,
// AppVerName, AppPublisher, the URLs, UninstallDisplayName, an icon's comment): "{{" is one
// brace. Throws std::invalid_argument naming an unknown or unclosed constant, or a known one,
// which the setups of this compiler cannot expand in such a text.
std::string InnoLiteralText(std::string_view innoText);

}  // namespace compiler
