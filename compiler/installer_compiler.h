#pragma once
// Compiles an Inno Setup script into a Windows setup: reads and checks the script, stages its
// files under neutral names, writes the NSIS script and runs makensis on it.
#include <functional>
#include <string>
#include <vector>

#include "compiler/nsis_writer.h"
#include "compiler/setup_plan.h"

namespace compiler {

struct CompileOptions {
    std::string target = "x86-unicode";  // or "amd64-unicode"
    std::string makensis = "makensis";
    std::string nsisCopy;   // when set, the translated NSIS script is also written there
    std::string outputDir;  // when set, replaces the script's OutputDir
    // When set, receives makensis's "File: ..." line of each file as it is added to the setup.
    std::function<void(const std::string& line)> fileAdded;
    // Sign the setup and its uninstaller when a certificate is configured (code_signing.h).
    bool sign = true;
    // When set (the test install), the setup also takes its password from this environment
    // variable when its command line gives none: an environment, unlike a command line, is
    // hidden from other users.
    std::string passwordVariable;
};

struct ReadScript {
    SetupPlan plan;
    std::vector<std::string> warnings;  // "file:line: warning: ..."
};

// Reads (UTF-8, else Windows-1252), parses and checks a script. Throws CompileError.
ReadScript ReadSetupScript(const std::string& scriptPath);

// The names the staged copies of the plan's local files get below stageFolder, the setup
// executable the plan asks for, and the password digest with the given salt (fewer iterations
// only where the digest's strength does not matter, as in the fuzz test).
NsisInputs PlanInputs(const SetupPlan& plan, const std::string& stageFolder,
                      const std::string& target, const std::string& salt,
                      int iterations = kPasswordIterations);

// Compiles the script; answers the path of the setup written, with its manifest beside it
// (ManifestPath). The same script and sources give the same bytes (see reproducible.h). Throws
// CompileError whose message says which file and line is wrong, or what makensis reported; a
// failed build leaves neither setup nor manifest.
std::string CompileSetupScript(const std::string& scriptPath, const CompileOptions& options,
                               std::vector<std::string>& warnings);

}  // namespace compiler
