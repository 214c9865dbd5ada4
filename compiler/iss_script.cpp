#include "compiler/iss_script.h"

#include <algorithm>
#include <array>

namespace compiler {
namespace {

enum class SectionKind { kDirectives, kEntries, kCode, kUnknown };

struct KnownSection {
    std::string_view name;
    SectionKind kind;
};

constexpr std::array kKnownSections = {
    KnownSection{"Setup", SectionKind::kDirectives},
    KnownSection{"_ISTool", SectionKind::kDirectives},
    KnownSection{"ThirdParty", SectionKind::kDirectives},
    KnownSection{"Messages", SectionKind::kDirectives},
    KnownSection{"CustomMessages", SectionKind::kDirectives},
    KnownSection{"LangOptions", SectionKind::kDirectives},
    KnownSection{"Code", SectionKind::kCode},
    KnownSection{"Files", SectionKind::kEntries},
    KnownSection{"Dirs", SectionKind::kEntries},
    KnownSection{"Icons", SectionKind::kEntries},
    KnownSection{"UninstallDelete", SectionKind::kEntries},
    KnownSection{"InstallDelete", SectionKind::kEntries},
    KnownSection{"Types", SectionKind::kEntries},
    KnownSection{"Components", SectionKind::kEntries},
    KnownSection{"Tasks", SectionKind::kEntries},
    KnownSection{"Run", SectionKind::kEntries},
    KnownSection{"UninstallRun", SectionKind::kEntries},
    KnownSection{"Registry", SectionKind::kEntries},
    KnownSection{"INI", SectionKind::kEntries},
    KnownSection{"Languages", SectionKind::kEntries},
};

SectionKind KindOf(std::string_view name) {
    for (const KnownSection& known : kKnownSections)
        if (EqualsNoCase(known.name, name))
            return known.kind;
    return SectionKind::kUnknown;
}

std::string_view TrimView(std::string_view text) {
    const auto isSpace = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

bool IsControl(char c) {
    const auto code = static_cast<unsigned char>(c);
    return code < 32 || code == 127;
}

// A control character in a line would reach the setup's texts, and makensis ends a line at a
// lone CR: refused wherever it stands, tabs only where they separate.
void CheckControls(std::string_view text, int line, const Diagnostics& diag, bool tabAllowed) {
    for (char c : text)
        if (IsControl(c) && !(tabAllowed && c == '\t'))
            diag.Fail(line, "Control character (code " +
                                std::to_string(static_cast<unsigned char>(c)) + ") in the line");
}

// Reads one parameter value starting at pos (after the colon); leaves pos after its ";".
std::string ReadValue(std::string_view text, size_t& pos, int line, const Diagnostics& diag) {
    while (pos < text.size() && static_cast<unsigned char>(text[pos]) <= 32)
        ++pos;
    if (pos < text.size() && text[pos] == '"') {
        std::string value;
        if (!ReadQuoted(text, pos, '"', value))
            diag.Fail(line, "Missing closing quote in parameter value");
        const size_t end = text.find(';', pos);
        const std::string_view rest =
            text.substr(pos, end == std::string_view::npos ? end : end - pos);
        if (!TrimView(rest).empty())
            diag.Fail(line, "Unexpected text after the quoted value: \"" +
                                std::string(TrimView(rest)) + "\"");
        pos = end == std::string_view::npos ? text.size() : end + 1;
        return value;
    }
    const size_t end = text.find(';', pos);
    const std::string_view raw = text.substr(pos, end == std::string_view::npos ? end : end - pos);
    pos = end == std::string_view::npos ? text.size() : end + 1;
    return std::string(TrimView(raw));
}

IssEntry ParseEntry(std::string_view text, int line, const Diagnostics& diag) {
    IssEntry entry;
    entry.line = line;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t colon = text.find_first_of(":;", pos);
        const std::string_view name =
            TrimView(text.substr(pos, colon == std::string_view::npos ? colon : colon - pos));
        if (colon == std::string_view::npos || text[colon] == ';') {
            if (!name.empty())
                diag.Fail(line, "Parameter \"" + std::string(name) +
                                    "\" has no value (\"Name: value\" expected)");
            pos = colon == std::string_view::npos ? text.size() : colon + 1;
            continue;
        }
        if (name.empty())
            diag.Fail(line, "Parameter name expected before \":\"");
        pos = colon + 1;
        std::string value = ReadValue(text, pos, line, diag);
        CheckControls(value, line, diag, false);
        if (entry.Find(name))
            diag.Fail(line, "Parameter \"" + std::string(name) + "\" appears twice");
        entry.parameters.emplace_back(std::string(name), std::move(value));
    }
    return entry;
}

IssDirective ParseDirective(std::string_view text, int line, const Diagnostics& diag) {
    const size_t equals = text.find('=');
    if (equals == std::string_view::npos)
        diag.Fail(line, "\"Directive=value\" expected, found \"" + std::string(text) + "\"");
    IssDirective directive{line, std::string(TrimView(text.substr(0, equals))),
                           std::string(TrimView(text.substr(equals + 1)))};
    if (directive.name.empty())
        diag.Fail(line, "Directive name expected before \"=\"");
    const std::string& value = directive.value;
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        size_t pos = 0;
        directive.value = ReadValue(value, pos, line, diag);
    }
    CheckControls(directive.value, line, diag, false);
    return directive;
}

// "[Name]" alone on a line, or nullopt-like empty view.
std::string_view SectionHeader(std::string_view trimmed) {
    if (trimmed.size() < 2 || trimmed.front() != '[' || trimmed.back() != ']')
        return {};
    return TrimView(trimmed.substr(1, trimmed.size() - 2));
}

}  // namespace

bool ReadQuoted(std::string_view text, size_t& pos, char quote, std::string& value) {
    value.clear();
    for (size_t i = pos + 1; i < text.size(); ++i) {
        if (text[i] != quote) {
            value += text[i];
        } else if (i + 1 < text.size() && text[i + 1] == quote) {
            value += quote;
            ++i;
        } else {
            pos = i + 1;
            return true;
        }
    }
    return false;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

std::optional<std::string> IssEntry::Find(std::string_view name) const {
    for (const auto& [key, value] : parameters)
        if (EqualsNoCase(key, name))
            return value;
    return std::nullopt;
}

std::vector<const IssSection*> IssScript::Sections(std::string_view name) const {
    std::vector<const IssSection*> found;
    for (const IssSection& section : sections)
        if (EqualsNoCase(section.name, name))
            found.push_back(&section);
    return found;
}

IssScript ParseIssScript(std::string_view text, Diagnostics& diagnostics) {
    IssScript script;
    IssSection* current = nullptr;
    SectionKind kind = SectionKind::kUnknown;
    int lineNumber = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view raw = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (!raw.empty() && raw.back() == '\r')
            raw.remove_suffix(1);
        const std::string_view line = TrimView(raw);
        if (kind != SectionKind::kCode && (line.empty() || line.front() == ';'))
            continue;
        if (kind != SectionKind::kUnknown || line.starts_with('['))
            CheckControls(raw, lineNumber, diagnostics, true);
        if (const std::string_view header = SectionHeader(line); !header.empty()) {
            kind = KindOf(header);
            if (kind == SectionKind::kUnknown)
                diagnostics.Warn(lineNumber,
                                 "Unknown section [" + std::string(header) + "] ignored");
            script.sections.push_back(IssSection{lineNumber, std::string(header), {}, {}, {}});
            current = &script.sections.back();
            continue;
        }
        if (kind == SectionKind::kCode && current) {
            current->code.push_back(IssCodeLine{lineNumber, std::string(raw)});
            continue;
        }
        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '#')
            diagnostics.Fail(lineNumber, "Preprocessor directives are not supported");
        if (!current)
            diagnostics.Fail(lineNumber, "Text outside of any section");
        if (kind == SectionKind::kDirectives)
            current->directives.push_back(ParseDirective(line, lineNumber, diagnostics));
        else if (kind == SectionKind::kEntries)
            current->entries.push_back(ParseEntry(line, lineNumber, diagnostics));
    }
    return script;
}

}  // namespace compiler
