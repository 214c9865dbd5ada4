#include "compiler/nsis_text.h"

#include <array>

#include "compiler/iss_script.h"

namespace compiler {
namespace {

constexpr std::string_view kOpenBrace = "${U+7B}";
constexpr std::string_view kBackslash = "${U+5C}";
constexpr std::string_view kPercent = "${U+25}";

// What a character right after a "$" must be written as so that makensis does not read the
// pair as its own while compiling: "${" starts a define, "$\\" an escape and "$%" an
// environment variable ("$%HOME%"), all expanded before "$$" turns into "$". "" for any other
// character, which is written as it is.
std::string_view AfterDollar(char c) {
    switch (c) {
        case '{':
            return kOpenBrace;
        case '\\':
            return kBackslash;
        case '%':
            return kPercent;
        default:
            return {};
    }
}

struct Constant {
    std::string_view inno;
    std::string_view nsis;
};

// Every setup runs as a 32-bit program would, so {pf} is the 32-bit Program Files folder.
constexpr std::array kConstants = {
    Constant{"app", "$INSTDIR"},
    Constant{"pf", "$PROGRAMFILES32"},
    Constant{"pf32", "$PROGRAMFILES32"},
    Constant{"commonpf", "$PROGRAMFILES32"},
    Constant{"commonpf32", "$PROGRAMFILES32"},
    Constant{"pf64", "$PROGRAMFILES64"},
    Constant{"commonpf64", "$PROGRAMFILES64"},
    Constant{"group", "$SMPROGRAMS\\$StartMenuGroup"},
    Constant{"win", "$WINDIR"},
    Constant{"sys", "$SYSDIR"},
    Constant{"src", "$EXEDIR"},
    Constant{"tmp", "$PLUGINSDIR"},
    Constant{"commondesktop", "$DESKTOP"},
    Constant{"commondocs", "$DOCUMENTS"},
    Constant{"commonappdata", "$APPDATA"},
    Constant{"commonstartmenu", "$STARTMENU"},
    Constant{"commonprograms", "$SMPROGRAMS"},
};

std::string_view NsisConstant(std::string_view name) {
    for (const Constant& constant : kConstants)
        if (EqualsNoCase(constant.inno, name))
            return constant.nsis;
    throw std::invalid_argument("Unknown constant \"{" + std::string(name) + "}\"");
}

// Collapses runs of backslashes and drops one at the end.
std::string TidyBackslashes(std::string_view path) {
    std::string tidy;
    for (char c : path)
        if (c != '\\' || tidy.empty() || tidy.back() != '\\')
            tidy += c;
    if (tidy.size() > 1 && tidy.back() == '\\')
        tidy.pop_back();
    return tidy;
}

// The constant that starts at the brace: its name and the position after its "}".
struct ConstantAt {
    std::string_view name;
    size_t end;
};

ConstantAt ReadConstant(std::string_view text, size_t brace) {
    const size_t close = text.find('}', brace);
    if (close == std::string_view::npos)
        throw std::invalid_argument("Constant is not closed: \"" + std::string(text.substr(brace)) +
                                    "\"");
    return {text.substr(brace + 1, close - brace - 1), close + 1};
}

}  // namespace

std::string InnoLiteralText(std::string_view innoText) {
    std::string text;
    for (size_t pos = 0; pos < innoText.size(); ++pos) {
        text += innoText[pos];
        if (innoText[pos] != '{')
            continue;
        if (pos + 1 < innoText.size() && innoText[pos + 1] == '{') {
            ++pos;
            continue;
        }
        const ConstantAt constant = ReadConstant(innoText, pos);
        NsisConstant(constant.name);  // throws for an unknown one
        throw std::invalid_argument("Constant \"{" + std::string(constant.name) +
                                    "}\" cannot be used here; write \"{{\" for a brace");
    }
    return text;
}

std::string NsisJoin(std::string_view folder, std::string_view name) {
    // An escaped dollar is "$$"; a variable name never ends in "$".
    const bool endsInDollar = !folder.empty() && folder.back() == '$';
    return std::string(folder) + std::string(endsInDollar ? kBackslash : "\\") + std::string(name);
}

std::string NsisEscape(std::string_view text) {
    std::string escaped;
    bool afterDollar = false;
    for (char c : text) {
        if (const std::string_view code = afterDollar ? AfterDollar(c) : ""; !code.empty()) {
            escaped += code;
            afterDollar = false;
            continue;
        }
        afterDollar = c == '$';
        switch (c) {
            case '$':
                escaped += "$$";
                break;
            case '"':
                escaped += "$\\\"";
                break;
            case '\n':
                escaped += "$\\n";
                break;
            case '\r':
                escaped += "$\\r";
                break;
            case '\t':
                escaped += "$\\t";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

std::string NsisQuote(std::string_view text) {
    return "\"" + NsisEscape(text) + "\"";
}

std::string NsisLocalPath(std::string_view path) {
    std::string quoted = "\"";
    for (size_t i = 0; i < path.size(); ++i) {
        const char c = path[i];
        const std::string_view code = i > 0 && path[i - 1] == '$' ? AfterDollar(c) : "";
        if (!code.empty())
            quoted += code;
        else if (c == '"')
            quoted += "$\\\"";
        else
            quoted += c;
    }
    return quoted + "\"";
}

std::string NsisInstallerPath(std::string_view innoPath) {
    const std::string path = TidyBackslashes(innoPath);
    std::string result;
    std::string literal;  // escaped as one run, so that "$" and a following "{" or "\" meet
    size_t pos = 0;
    while (pos < path.size()) {
        const size_t brace = path.find('{', pos);
        literal +=
            std::string_view(path).substr(pos, brace == std::string::npos ? brace : brace - pos);
        if (brace == std::string::npos)
            break;
        if (brace + 1 < path.size() && path[brace + 1] == '{') {
            literal += '{';
            pos = brace + 2;
            continue;
        }
        const ConstantAt constant = ReadConstant(path, brace);
        result += NsisEscape(literal) + std::string(NsisConstant(constant.name));
        literal.clear();
        pos = constant.end;
    }
    return result + NsisEscape(literal);
}

}  // namespace compiler
