#include "setup/setup_build.h"

#include "foundation/files.h"
#include "foundation/paths.h"
#include "foundation/text.h"
#include "setup/script_origins.h"
#include "setup/setup_script.h"
#include "workspace/collections.h"

namespace kb {

namespace {

// The number of files a script installs: its [Files] lines.
int FilesToAdd(const std::string& script) {
    int count = 0;
    for (size_t at = script.find("\nSource: "); at != std::string::npos;
         at = script.find("\nSource: ", at + 1))
        ++count;
    return count;
}

}  // namespace

std::string SetupBaseName(std::string_view chosen) {
    // Only ".exe" is the setup's extension: "Coats 2.0" is a name of its own.
    constexpr std::string_view kExe = ".exe";
    std::string name = NameOf(chosen);
    if (name.size() >= kExe.size() && LowerCase(name.substr(name.size() - kExe.size())) == kExe)
        name.resize(name.size() - kExe.size());
    return name;
}

std::string SetupBase(std::string_view chosen) {
    return PathJoin(FolderOf(chosen), SetupBaseName(chosen));
}

std::string SetupNameProblem(std::string_view chosen) {
    const std::string baseName = SetupBaseName(chosen);
    if (baseName.find_first_not_of(". ") == std::string::npos)
        return "The setup needs a file name: \"" + NameOf(chosen) +
               "\" has none. Choose a name such as Coats.exe.";
    return {};
}

PreparedSetup PrepareSetup(KitbinderData& data, const ScanInputs& inputs, std::string_view base,
                           ScriptUse use, const BuildStepReport& step) {
    PreparedSetup build;
    build.base = std::string(base);
    const std::string baseName = NameOf(base);
    step("Checking the collection...");
    RequireReadableSelection(inputs.selection);
    const SetupScan scan = ScanForSetup(inputs);
    build.problems = CheckBuild(data, scan, baseName);
    if (HasErrors(build.problems))
        return build;
    step("Writing the installer script...");
    if (FileExists(build.Script()))
        DeleteFile(build.Script());
    const std::string text = SetupScriptFromScan(data, scan, baseName);
    WriteTextFile(build.Script(), text);
    build.scriptWritten = true;
    build.origins = ScriptLineOrigins(text, scan);
    build.filesToAdd = FilesToAdd(text);
    if (use == ScriptUse::Compile)
        DeleteFile(build.Setup());
    return build;
}

std::vector<std::string> CompilerArguments(const std::string& script) {
    return {"/cc", script};
}

int FilesAdded(std::string_view output) {
    int count = 0;
    for (size_t at = output.find("File: "); at != std::string_view::npos;
         at = output.find("File: ", at + 1))
        if (at == 0 || output[at - 1] == '\n')
            ++count;
    return count;
}

SetupOutcome FinishSetup(const PreparedSetup& build, int exitCode, bool crashed,
                         std::string_view output, bool cancelled) {
    SetupOutcome outcome;
    if (cancelled) {
        DeleteFile(build.Setup());
        outcome.summary = "Cancelled: no setup was written.";
        return outcome;
    }
    if (crashed || exitCode != 0) {
        DeleteFile(build.Setup());
        outcome.explained = ExplainCompilerOutput(output, NameOf(build.Script()), build.origins);
        outcome.failure =
            crashed ? std::string("The installer compiler stopped unexpectedly")
                    : "The installer compiler failed (exit code " + std::to_string(exitCode) + ")";
        outcome.summary = outcome.failure + ".";
        return outcome;
    }
    // The compiler writes the manifest beside the setup.
    outcome.succeeded = true;
    outcome.summary = "The setup " + build.Setup() +
                      " was built. Its manifest (SHA-256 of the setup and of every installed "
                      "file) is " +
                      build.Setup() + ".sha256.";
    return outcome;
}

}  // namespace kb
