#pragma once
// The steps of one setup build, shared by Create Setup in the window and by the command line:
// the name check, the pre-build checks and the script, the installer compiler's command and
// progress, and what its end means.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "setup/build_checks.h"
#include "setup/script_manifest.h"
#include "workspace/kitbinder_data.h"

namespace kb {

// The installer compiler, started by its bare name: found beside the program, then on the
// search path.
inline constexpr const char* kInstallerCompiler = "Compil32.exe";

// Whether the installer compiler at compilerPath is Kit Binder's own, which builds setups on
// this system and can also test-install them under wine. The Inno Setup compiler is a Windows
// program: a file that starts with "MZ" is never ours. False for "" (no compiler found).
bool OwnInstallerCompiler(const std::string& compilerPath);

// The manifest beside the setup ("<setup>.sha256") when it is the setup's own; "" when there is
// none or only an older one, left by an earlier build.
std::string SetupManifest(const std::string& setup);

// Why chosen (a setup's path, ".exe" or not) cannot name a setup; "" when it can. A name of
// dots and blanks only would name the script after its folder.
std::string SetupNameProblem(std::string_view chosen);

// chosen without a trailing ".exe" (in any case): the base of both the setup and its script. Any
// other extension is part of the name.
std::string SetupBase(std::string_view chosen);
// The file name of SetupBase(chosen), without joining it to its folder.
std::string SetupBaseName(std::string_view chosen);

// Whether required files that are missing stop a build, or the setup is built without them.
enum class MissingFiles { Stop, Allow };

// One build's files, its checks and what its script lines came from.
struct PreparedSetup {
    std::string base;  // the setup's path without ".exe"
    SetupScan scan;
    std::vector<BuildProblem> problems;
    bool scriptWritten = false;  // false: the checks found errors and nothing was written
    std::vector<std::string> origins;
    int filesToAdd = 0;             // the files the compiler will add, for progress
    std::vector<ScriptFile> files;  // the script's [Files] lines, for the manifest

    std::string Script() const { return base + ".iss"; }
    // The script a compile works on; it replaces Script() only when the setup was built, so
    // that a failed or cancelled build leaves the previous script as it was.
    std::string NewScript() const { return base + ".iss.part"; }
    std::string Setup() const { return base + ".exe"; }
    // How many required files the checks found missing.
    int MissingRequired() const;
    // Whether the checks found errors that stop the build: any error, or with MissingFiles::Allow
    // any other than a missing file.
    bool Stopped(MissingFiles missing) const;
};

enum class ScriptUse { Compile, ScriptOnly };

// Told each step as it starts ("Checking the collection...", "Writing the installer script...").
using BuildStepReport = std::function<void(const std::string& step)>;

// Scans the collection that inputs name and runs the pre-build checks; writes nothing.
PreparedSetup CheckSetup(KitbinderData& data, const ScanInputs& inputs, std::string_view base,
                         const BuildStepReport& step);

// Writes the script of a checked build: for a compile the new script NewScript(), for a script
// alone Script() itself. The previous setup and its manifest stay until the compiler replaces
// them. Throws what the script writer throws.
void WriteSetupScript(KitbinderData& data, PreparedSetup& build, ScriptUse use,
                      const BuildStepReport& step);

// CheckSetup, then WriteSetupScript unless the checks stopped the build.
PreparedSetup PrepareSetup(KitbinderData& data, const ScanInputs& inputs, std::string_view base,
                           ScriptUse use, const BuildStepReport& step,
                           MissingFiles missing = MissingFiles::Stop);

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

// Ends a build whose compiler ended with exitCode (or crashed) after writing output. A compiler
// that succeeded wrote the setup: the new script then replaces the old one, and the setup gets
// its manifest unless the compiler wrote one (Kit Binder's own compiler does, with how it signed
// the setup; the Inno Setup compiler writes none).
// Otherwise (failed or cancelled) the new script is removed and the previous script, setup and
// manifest stay as they were. Cancelling a compiler that had just finished changes nothing.
SetupOutcome FinishSetup(const PreparedSetup& build, int exitCode, bool crashed,
                         std::string_view output, bool cancelled = false);

// Ends a build that was abandoned while its compiler ran: removes the new script.
void AbandonSetup(const PreparedSetup& build);

}  // namespace kb
