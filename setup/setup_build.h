#pragma once
// The steps of one setup build, shared by Create Setup in the window and by the command line:
// the name check, the pre-build checks and the script, the installer compiler's command and
// progress, and what its end means.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "setup/build_checks.h"
#include "workspace/kitbinder_data.h"

namespace kb {

// The installer compiler, started by its bare name: found beside the program, then on the
// search path.
inline constexpr const char* kInstallerCompiler = "Compil32.exe";

// Why chosen (a setup's path, ".exe" or not) cannot name a setup; "" when it can. A name of
// dots and blanks only would name the script after its folder.
std::string SetupNameProblem(std::string_view chosen);

// chosen without a trailing ".exe" (in any case): the base of both the setup and its script. Any
// other extension is part of the name.
std::string SetupBase(std::string_view chosen);
// The file name of SetupBase(chosen), without joining it to its folder.
std::string SetupBaseName(std::string_view chosen);

// One build's files and what its script lines came from.
struct PreparedSetup {
    std::string base;  // the setup's path without ".exe"
    std::vector<BuildProblem> problems;
    bool scriptWritten = false;  // false: the checks found errors and nothing was written
    std::vector<std::string> origins;
    int filesToAdd = 0;  // the files the compiler will add, for progress

    std::string Script() const { return base + ".iss"; }
    std::string Setup() const { return base + ".exe"; }
};

enum class ScriptUse { Compile, ScriptOnly };

// Told each step as it starts ("Checking the collection...", "Writing the installer script...").
using BuildStepReport = std::function<void(const std::string& step)>;

// Scans the collection that inputs name, runs the pre-build checks and, when they found no
// error, replaces the script <base>.iss. For a compile the old setup <base>.exe is deleted as
// well, so that a build that fails or is cancelled leaves none behind. Throws what the scan and
// the script writer throw.
PreparedSetup PrepareSetup(KitbinderData& data, const ScanInputs& inputs, std::string_view base,
                           ScriptUse use, const BuildStepReport& step);

// The compiler's arguments for a script: compile it and close.
std::vector<std::string> CompilerArguments(const std::string& script);

// How many files the compiler's output so far reports as added to the setup.
int FilesAdded(std::string_view output);

// What a finished compiler run means for the build.
struct SetupOutcome {
    bool succeeded = false;
    std::string summary;  // one line: "The setup … was built.", "The installer compiler failed …."
    std::string failure;    // on failure: what failed, without the full stop
    std::string explained;  // on failure: the compiler's output with script lines traced to items
};

// Ends a build whose compiler ended with exitCode (or crashed) after writing output. A failed or
// cancelled build deletes the setup, so none half-written is left.
SetupOutcome FinishSetup(const PreparedSetup& build, int exitCode, bool crashed,
                         std::string_view output, bool cancelled = false);

}  // namespace kb
