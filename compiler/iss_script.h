#pragma once
// An Inno Setup script split into sections by the script format's own rules: "Directive=value"
// lines, entries of "Name: value" parameters separated by ";", and the raw lines of [Code].
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "compiler/diagnostics.h"

namespace compiler {

struct IssDirective {
    int line = 0;
    std::string name;
    std::string value;
};

struct IssEntry {
    int line = 0;
    std::vector<std::pair<std::string, std::string>> parameters;  // names as written

    // The value of a parameter, its name compared without case.
    std::optional<std::string> Find(std::string_view name) const;
};

struct IssCodeLine {
    int line = 0;
    std::string text;
};

struct IssSection {
    int line = 0;
    std::string name;  // as written, without brackets
    std::vector<IssDirective> directives;
    std::vector<IssEntry> entries;
    std::vector<IssCodeLine> code;
};

struct IssScript {
    std::vector<IssSection> sections;

    // All sections of that name (compared without case), in script order.
    std::vector<const IssSection*> Sections(std::string_view name) const;
};

// Splits the decoded (UTF-8) text of a script into its sections. Malformed lines are
// compile errors; sections that the compiler does not know are warned about and skipped.
IssScript ParseIssScript(std::string_view text, Diagnostics& diagnostics);

// Reads the text quoted by the quote character at pos, a doubled quote standing for one; on
// success pos is just past the closing quote. False when the quote is never closed.
bool ReadQuoted(std::string_view text, size_t& pos, char quote, std::string& value);

// Names of sections, directives and parameters compare without regard to ASCII case.
bool EqualsNoCase(std::string_view a, std::string_view b);

}  // namespace compiler
