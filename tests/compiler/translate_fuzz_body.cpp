#include "tests/compiler/translate_fuzz_body.h"

#include <stdlib.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "compiler/installer_compiler.h"
#include "compiler/iss_script.h"
#include "compiler/nsis_writer.h"
#include "compiler/script_encoding.h"

namespace compiler::test {
namespace {

namespace fs = std::filesystem;

// The folder the fuzzed scripts' relative paths point into, made once per process.
class FuzzFolder {
  public:
    FuzzFolder() {
        std::string pattern = (fs::temp_directory_path() / "compil32-fuzz-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            std::abort();
        path_ = pattern;
        std::ofstream(path_ + "/a.txt") << "text $ ${NSISDIR}\n";
        std::ofstream(path_ + "/lic.rtf") << "{\\rtf1 Licence}";
        std::ofstream(path_ + "/pic.bmp", std::ios::binary) << "BM" << std::string(60, '\0');
    }
    ~FuzzFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    FuzzFolder(const FuzzFolder&) = delete;
    FuzzFolder& operator=(const FuzzFolder&) = delete;
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
};

// Compile-time commands and their first arguments as the translator writes them.
struct OwnCommand {
    std::string_view command;
    std::string_view argumentPrefix;  // "" for a command without argument
    bool exact;                       // the argument must equal the prefix
};

constexpr std::array kOwnCommands = {
    OwnCommand{"!include", "MUI2.nsh", true},
    OwnCommand{"!include", "LogicLib.nsh", true},
    OwnCommand{"!include", "FileFunc.nsh", true},
    OwnCommand{"!include", "nsDialogs.nsh", true},
    OwnCommand{"!define", "MUI_", false},
    OwnCommand{"!define", "PASSWORD_", false},
    OwnCommand{"!insertmacro", "MUI_", false},
    OwnCommand{"!insertmacro", "SAVE_REGISTERS", true},
    OwnCommand{"!insertmacro", "RESTORE_REGISTERS", true},
    OwnCommand{"!insertmacro", "COMMAND_LINE_FUNCTIONS", true},
    OwnCommand{"!macro", "SAVE_REGISTERS", true},
    OwnCommand{"!macro", "RESTORE_REGISTERS", true},
    OwnCommand{"!macro", "COMMAND_LINE_FUNCTIONS", true},
    OwnCommand{"!macroend", "", true},
    OwnCommand{"!verbose", "push", true},
    OwnCommand{"!verbose", "4", true},
    OwnCommand{"!verbose", "pop", true},
};

// Names the translator refers to as "${name}": its own defines, LogicLib and nsDialogs
// macros, and the code points it writes for "{", "\" and "%" after an escaped "$".
// A name ending in "_" stands for every name it begins.
constexpr std::array<std::string_view, 20> kOwnDefines = {
    "U+7B",      "U+5C",    "U+25",  "PREFIX", "NSIS_PTR_SIZE", "NSIS_MAX_STRLEN",
    "If",        "ElseIf",  "AndIf", "Else",   "EndIf",         "While",
    "EndWhile",  "DoUntil", "Loop",  "Errors", "GetParent",     "NSD_",
    "PASSWORD_", "MUI_"};

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Word(std::string_view text) {
    size_t end = 0;
    while (end < text.size() && !IsBlank(text[end]))
        ++end;
    return text.substr(0, end);
}

bool IsOwnCommand(std::string_view line) {
    const std::string_view command = Word(line);
    std::string_view rest = line.substr(command.size());
    while (!rest.empty() && IsBlank(rest.front()))
        rest.remove_prefix(1);
    const std::string_view argument = Word(rest);
    for (const OwnCommand& own : kOwnCommands)
        if (command == own.command &&
            (own.exact ? argument == own.argumentPrefix : argument.starts_with(own.argumentPrefix)))
            return true;
    return false;
}

bool IsOwnDefine(std::string_view name) {
    for (std::string_view own : kOwnDefines) {
        const bool prefix = own.ends_with('_');
        if (prefix ? name.starts_with(own) : name == own)
            return true;
    }
    return false;
}

std::string ForeignLine(std::string_view line) {
    size_t start = 0;
    while (start < line.size() && IsBlank(line[start]))
        ++start;
    const std::string_view text = line.substr(start);
    if (text.starts_with('!') && !IsOwnCommand(text))
        return "compile-time command: " + std::string(text);
    if (text.ends_with('\\'))
        return "line continued by a backslash: " + std::string(text);
    return {};
}

}  // namespace

std::optional<std::string> TranslateForFuzz(std::string_view bytes) {
    static const FuzzFolder folder;
    try {
        Diagnostics diagnostics("fuzz.iss");
        const IssScript script = ParseIssScript(DecodeScriptText(bytes), diagnostics);
        const SetupPlan plan = BuildSetupPlan(script, folder.Path(), diagnostics);
        const NsisInputs inputs =
            PlanInputs(plan, "/stage", "x86-unicode", "00112233445566778899aabbccddeeff", 1);
        return WriteNsisScript(plan, inputs);
    } catch (const CompileError&) {
        return std::nullopt;
    }
}

std::string ForeignNsisText(std::string_view nsis) {
    size_t start = 0;
    while (start <= nsis.size()) {
        const size_t end = std::min(nsis.find('\n', start), nsis.size());
        const std::string_view line = nsis.substr(start, end - start);
        if (const size_t cr = line.find('\r'); cr != std::string_view::npos)
            return "line broken by a CR: " + std::string(line);
        if (std::string found = ForeignLine(line); !found.empty())
            return found;
        start = end + 1;
    }
    // The translator never writes an environment variable reference; makensis expands one
    // even after "$$".
    if (const size_t at = nsis.find("$%"); at != std::string_view::npos)
        return "environment variable reference: " + std::string(nsis.substr(at, 24));
    for (size_t at = nsis.find("${"); at != std::string_view::npos; at = nsis.find("${", at + 2)) {
        const size_t close = nsis.find('}', at);
        const std::string_view name = nsis.substr(at + 2, close - at - 2);
        if (close == std::string_view::npos || !IsOwnDefine(name))
            return "define reference: " + std::string(nsis.substr(at, close - at + 1));
    }
    return {};
}

void FuzzTranslatorOnce(std::string_view bytes) {
    const std::optional<std::string> nsis = TranslateForFuzz(bytes);
    if (!nsis)
        return;
    if (const std::string found = ForeignNsisText(*nsis); !found.empty()) {
        std::fprintf(stderr, "The NSIS text holds a foreign %s\n", found.c_str());
        std::abort();
    }
}

}  // namespace compiler::test
