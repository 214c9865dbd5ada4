#pragma once
// One fuzzing round on arbitrary bytes for the texts the setup builder reads: a licence or
// information text, a name, a script to map to its origins and a compiler's output to explain.
// Each reader keeps what it promises: a name passed as fit holds nothing Windows refuses, every
// script line has an origin, an explained output keeps every line it was given, and problems
// name lines of the text; nothing crashes or trips a sanitizer.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "setup/build_checks.h"
#include "setup/script_origins.h"

namespace kb::test {

inline void SetupTextCheck(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "setup text: %s\n", what);
        std::abort();
    }
}

// The text cut at each "\n"; a last line without one counts, an empty text has no lines.
inline std::vector<std::string_view> TextLines(std::string_view text) {
    std::vector<std::string_view> lines;
    for (size_t start = 0; start < text.size();) {
        const size_t end = std::min(text.find('\n', start), text.size());
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

inline void CheckWindowsName(std::string_view name) {
    if (!WindowsNameProblem(name).empty())
        return;
    for (char c : name)
        SetupTextCheck(static_cast<unsigned char>(c) >= 32 && c != 127 &&
                           std::string_view("<>:\"/\\|?*").find(c) == std::string_view::npos,
                       "a name with a refused character passed");
    SetupTextCheck(name.empty() || (name.back() != '.' && name.back() != ' '),
                   "a name ending in a dot or space passed");
}

// Every output line comes back first in its line of the explanation, in order.
inline void CheckExplained(std::string_view output, std::string_view explained) {
    const std::vector<std::string_view> given = TextLines(output);
    const std::vector<std::string_view> shown = TextLines(explained);
    SetupTextCheck(given.size() == shown.size(), "explained output has other lines");
    for (size_t i = 0; i < given.size(); ++i)
        SetupTextCheck(shown[i].starts_with(given[i]), "explained output lost a line");
}

inline void FuzzSetupTextOnce(std::string_view bytes) {
    const std::vector<std::string> problems = TextEncodingProblems(bytes);
    for (const std::string& problem : problems)
        SetupTextCheck(problem.starts_with("line ") || problem.starts_with("and "),
                       "an encoding problem names no line");
    CheckWindowsName(bytes);
    SetupScan scan;
    scan.inputs.selection.designer = "Anna";
    scan.inputs.selection.collection = "Coats";
    scan.inputs.garments = {"Coat1", std::string(bytes.substr(0, 8))};
    scan.list.entries.push_back({true, std::string(bytes.substr(0, 16)), GarmentFile, ""});
    const std::vector<std::string> origins = ScriptLineOrigins(bytes, scan);
    SetupTextCheck(origins.size() == TextLines(bytes).size(), "a script line without origin");
    CheckExplained(bytes, ExplainCompilerOutput(bytes, "Coats.iss", origins));
    CheckExplained(bytes, ExplainCompilerOutput(bytes, "", {}));
}

}  // namespace kb::test
