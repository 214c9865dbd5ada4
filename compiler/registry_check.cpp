#include "compiler/registry_check.h"

#include <array>
#include <cctype>
#include <string_view>

namespace compiler {
namespace {

enum class TokenKind { kWord, kString, kSymbol };

struct Token {
    TokenKind kind;
    std::string text;
    int line;
};

// Splits Pascal source into words, 'strings' (with '' for a quote) and symbols; comments
// in { }, (* *) and after // are dropped.
class PascalLexer {
  public:
    PascalLexer(const std::vector<IssCodeLine>& code, const Diagnostics& diagnostics)
        : diagnostics_(diagnostics) {
        for (const IssCodeLine& line : code)
            ScanLine(line);
        if (openComment_)
            diagnostics_.Fail(commentLine_, "Comment is never closed");
    }
    std::vector<Token> Take() { return std::move(tokens_); }

  private:
    void ScanLine(const IssCodeLine& line) {
        const std::string& s = line.text;
        size_t i = 0;
        while (i < s.size()) {
            if (openComment_) {
                const size_t close = s.find(closeComment_, i);
                if (close == std::string::npos)
                    return;
                i = close + closeComment_.size();
                openComment_ = false;
                continue;
            }
            const char c = s[i];
            if (std::isspace(static_cast<unsigned char>(c))) {
                ++i;
            } else if (s.compare(i, 2, "//") == 0) {
                return;
            } else if (c == '{' || s.compare(i, 2, "(*") == 0) {
                closeComment_ = c == '{' ? "}" : "*)";
                i += c == '{' ? 1 : 2;
                openComment_ = true;
                commentLine_ = line.line;
            } else if (c == '\'') {
                i = ScanString(line, i);
            } else if (std::isalnum(static_cast<unsigned char>(c)) || c == '_') {
                const size_t start = i;
                while (i < s.size() &&
                       (std::isalnum(static_cast<unsigned char>(s[i])) || s[i] == '_'))
                    ++i;
                tokens_.push_back({TokenKind::kWord, s.substr(start, i - start), line.line});
            } else {
                const size_t length = s.compare(i, 2, ":=") == 0 ? 2 : 1;
                tokens_.push_back({TokenKind::kSymbol, s.substr(i, length), line.line});
                i += length;
            }
        }
    }

    size_t ScanString(const IssCodeLine& line, size_t i) {
        std::string value;
        if (!ReadQuoted(line.text, i, '\'', value))
            diagnostics_.Fail(line.line, "String is not closed on its line");
        tokens_.push_back({TokenKind::kString, std::move(value), line.line});
        return i;
    }

    const Diagnostics& diagnostics_;
    std::vector<Token> tokens_;
    bool openComment_ = false;
    std::string closeComment_;
    int commentLine_ = 0;
};

// The recognised function. "$KEY" and "$MESSAGE" take a string, "$ROOT" and "$ICON" a word.
constexpr std::string_view kPattern[] = {"function", "InitializeSetup",
                                         "(",        ")",
                                         ":",        "Boolean",
                                         ";",        "begin",
                                         "if",       "RegKeyExists",
                                         "(",        "$ROOT",
                                         ",",        "$KEY",
                                         ")",        "=",
                                         "False",    "then",
                                         "begin",    "MsgBox",
                                         "(",        "$MESSAGE",
                                         ",",        "$ICON",
                                         ",",        "MB_OK",
                                         ")",        ";",
                                         "Result",   ":=",
                                         "False",    ";",
                                         "end",      "else",
                                         "Result",   ":=",
                                         "True",     ";",
                                         "end",      ";"};

struct IconName {
    std::string_view pascal;
    std::string_view nsis;
};
constexpr std::array kIcons = {
    IconName{"mbError", "MB_ICONSTOP"}, IconName{"mbCriticalError", "MB_ICONSTOP"},
    IconName{"mbInformation", "MB_ICONINFORMATION"}, IconName{"mbConfirmation", "MB_ICONQUESTION"}};

std::string Describe(const Token& token) {
    return token.kind == TokenKind::kString ? "'" + token.text + "'" : "\"" + token.text + "\"";
}

[[noreturn]] void Unsupported(const Diagnostics& diagnostics, int line, std::string_view expected,
                              std::string_view found) {
    diagnostics.Fail(line,
                     "Unsupported Pascal Script: only the InitializeSetup registry-key check "
                     "can be compiled; expected " +
                         std::string(expected) + ", found " + std::string(found));
}

// Matches one token against one pattern element, filling the check's fields.
void MatchToken(std::string_view expected, const Token& token, RegistryCheck& check,
                const Diagnostics& diagnostics) {
    if (expected == "$KEY" || expected == "$MESSAGE") {
        if (token.kind != TokenKind::kString)
            Unsupported(diagnostics, token.line, "a string", Describe(token));
        (expected == "$KEY" ? check.key : check.message) = token.text;
    } else if (expected == "$ROOT") {
        if (!EqualsNoCase(token.text, "HKLM") && !EqualsNoCase(token.text, "HKEY_LOCAL_MACHINE"))
            Unsupported(diagnostics, token.line, "HKLM", Describe(token));
    } else if (expected == "$ICON") {
        for (const IconName& icon : kIcons)
            if (token.kind == TokenKind::kWord && EqualsNoCase(token.text, icon.pascal)) {
                check.icon = icon.nsis;
                return;
            }
        Unsupported(diagnostics, token.line, "a message box type such as mbError", Describe(token));
    } else if (token.kind == TokenKind::kString || !EqualsNoCase(token.text, expected)) {
        Unsupported(diagnostics, token.line, "\"" + std::string(expected) + "\"", Describe(token));
    }
}

}  // namespace

std::optional<RegistryCheck> ReadRegistryCheck(const std::vector<IssCodeLine>& code,
                                               const Diagnostics& diagnostics) {
    const std::vector<Token> tokens = PascalLexer(code, diagnostics).Take();
    if (tokens.empty())
        return std::nullopt;
    RegistryCheck check;
    size_t index = 0;
    for (std::string_view expected : kPattern) {
        if (index >= tokens.size())
            Unsupported(diagnostics, tokens.back().line, "\"" + std::string(expected) + "\"",
                        "the end of [Code]");
        MatchToken(expected, tokens[index++], check, diagnostics);
    }
    if (index < tokens.size())
        Unsupported(diagnostics, tokens[index].line, "the end of [Code]", Describe(tokens[index]));
    if (check.key.empty())
        diagnostics.Fail(tokens.front().line, "The registry key is empty");
    return check;
}

}  // namespace compiler
