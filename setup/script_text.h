#pragma once
// Text rules of the installer script: placeholder substitution in one pass, parameter quoting
// and the refusal of values that a script line cannot carry.
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kb {

// The installer script cannot be built from the current collection; the message names the value.
class SetupScriptError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// One placeholder of a template and the text that takes its place.
struct Placeholder {
    std::string token;
    std::string value;
};

// Replaces every occurrence of the tokens in one left-to-right pass: at each position the first
// token of the list that starts there wins. Inserted values are copied literally and never
// searched again, so a value that looks like a later token stays as it is.
std::string SubstitutePlaceholders(std::string_view text,
                                   const std::vector<Placeholder>& placeholders);

// Returns value when it holds no line break or other control character (codes below 32 and
// 127); otherwise throws SetupScriptError naming what (e.g. "collection name") and the value.
const std::string& CheckedScriptValue(std::string_view what, const std::string& value);

// Returns name when CheckedScriptValue accepts it and it holds no "\" or "/", which would make
// it a folder path in the setup; otherwise throws SetupScriptError naming what and the name.
const std::string& CheckedScriptName(std::string_view what, const std::string& name);

// A name placed in a parameter that takes constants: every "{" is written "{{".
std::string EscapeConstantBraces(std::string_view name);

// A parameter value as a section line carries it: unchanged when it holds no ";" and no double
// quote and has no leading or trailing space; otherwise in double quotes with inner ones doubled.
std::string QuotedParameter(std::string_view value);

}  // namespace kb
