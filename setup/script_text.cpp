#include "setup/script_text.h"

#include <algorithm>
#include <cstdio>

namespace kb {

namespace {

bool IsControl(char c) {
    const auto code = static_cast<unsigned char>(c);
    return code < 32 || code == 127;
}

// The value with its control characters shown as C escapes, for an error message.
std::string Visible(std::string_view value) {
    std::string shown;
    for (const char c : value) {
        if (c == '\n') {
            shown += "\\n";
        } else if (c == '\r') {
            shown += "\\r";
        } else if (c == '\t') {
            shown += "\\t";
        } else if (IsControl(c)) {
            char code[8];
            std::snprintf(code, sizeof code, "\\x%02X", static_cast<unsigned char>(c));
            shown += code;
        } else {
            shown += c;
        }
    }
    return shown;
}

const Placeholder* TokenAt(std::string_view text, size_t position,
                           const std::vector<Placeholder>& placeholders) {
    const std::string_view rest = text.substr(position);
    for (const Placeholder& placeholder : placeholders) {
        if (!placeholder.token.empty() && rest.starts_with(placeholder.token)) {
            return &placeholder;
        }
    }
    return nullptr;
}

}  // namespace

std::string SubstitutePlaceholders(std::string_view text,
                                   const std::vector<Placeholder>& placeholders) {
    std::string result;
    result.reserve(text.size());
    size_t position = 0;
    while (position < text.size()) {
        if (const Placeholder* found = TokenAt(text, position, placeholders)) {
            result += found->value;
            position += found->token.size();
        } else {
            result += text[position++];
        }
    }
    return result;
}

const std::string& CheckedScriptValue(std::string_view what, const std::string& value) {
    if (std::any_of(value.begin(), value.end(), IsControl)) {
        throw SetupScriptError("Cannot build the installer script: the " + std::string(what) +
                               " \"" + Visible(value) +
                               "\" holds a line break or another control character");
    }
    return value;
}

const std::string& CheckedScriptName(std::string_view what, const std::string& name) {
    if (CheckedScriptValue(what, name).find_first_of("\\/") != std::string::npos) {
        throw SetupScriptError("Cannot build the installer script: the " + std::string(what) +
                               " \"" + name + "\" holds a folder separator");
    }
    return name;
}

std::string EscapeConstantBraces(std::string_view name) {
    std::string escaped;
    escaped.reserve(name.size());
    for (const char c : name) {
        escaped += c;
        if (c == '{') {
            escaped += '{';
        }
    }
    return escaped;
}

std::string QuotedParameter(std::string_view value) {
    const bool needsQuotes = value.find_first_of(";\"") != std::string_view::npos ||
                             value.starts_with(' ') || value.ends_with(' ');
    if (!needsQuotes) {
        return std::string(value);
    }
    std::string quoted = "\"";
    for (const char c : value) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    quoted += '"';
    return quoted;
}

}  // namespace kb
