#include "setup/setup_build.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

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

int PreparedSetup::MissingRequired() const {
    return static_cast<int>(std::count_if(problems.begin(), problems.end(),
                                          [](const BuildProblem& p) { return p.missingFile; }));
}

bool PreparedSetup::Stopped(MissingFiles missing) const {
    return std::any_of(problems.begin(), problems.end(), [&](const BuildProblem& problem) {
        return problem.severity == ProblemSeverity::Error &&
               !(problem.missingFile && missing == MissingFiles::Allow);
    });
}

PreparedSetup CheckSetup(KitbinderData& data, const ScanInputs& inputs, std::string_view base,
                         const BuildStepReport& step) {
    PreparedSetup build;
    build.base = std::string(base);
    step("Checking the collection...");
    RequireReadableSelection(inputs.selection);
    build.scan = ScanForSetup(inputs);
    build.problems = CheckBuild(data, build.scan, NameOf(base));
    return build;
}

void WriteSetupScript(KitbinderData& data, PreparedSetup& build, ScriptUse use,
                      const BuildStepReport& step) {
    step("Writing the installer script...");
    const std::string text = SetupScriptFromScan(data, build.scan, NameOf(build.base));
    const std::string script = use == ScriptUse::Compile ? build.NewScript() : build.Script();
    if (FileExists(script))
        DeleteFile(script);
    WriteTextFile(script, text);
    build.scriptWritten = true;
    build.origins = ScriptLineOrigins(text, build.scan);
    build.filesToAdd = FilesToAdd(text);
    build.files = ScriptFiles(text);
}

PreparedSetup PrepareSetup(KitbinderData& data, const ScanInputs& inputs, std::string_view base,
                           ScriptUse use, const BuildStepReport& step, MissingFiles missing) {
    PreparedSetup build = CheckSetup(data, inputs, base, step);
    if (!build.Stopped(missing))
        WriteSetupScript(data, build, use, step);
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

namespace {

// What a build that wrote no setup left: the previous setup, when there is one.
std::string PreviousSetupNote(const PreparedSetup& build) {
    return FileExists(build.Setup()) ? " The previous setup " + build.Setup() + " is unchanged."
                                     : "";
}

}  // namespace

bool OwnInstallerCompiler(const std::string& compilerPath) {
    if (compilerPath.empty())
        return false;
    char magic[2] = {};
    std::ifstream(FsPath(compilerPath), std::ios::binary).read(magic, 2);
    return !(magic[0] == 'M' && magic[1] == 'Z');
}

std::string SetupManifest(const std::string& setup) {
    const std::string manifest = setup + ".sha256";
    std::error_code error;
    const auto setupTime = std::filesystem::last_write_time(FsPath(setup), error);
    if (error)
        return {};
    const auto manifestTime = std::filesystem::last_write_time(FsPath(manifest), error);
    return !error && manifestTime >= setupTime ? manifest : std::string();
}

SetupOutcome FinishSetup(const PreparedSetup& build, int exitCode, bool crashed,
                         std::string_view output, bool cancelled) {
    SetupOutcome outcome;
    if (crashed || exitCode != 0) {
        AbandonSetup(build);
        if (cancelled) {
            outcome.summary = FileExists(build.Setup()) ? "Cancelled: the previous setup " +
                                                              build.Setup() + " is unchanged."
                                                        : "Cancelled: no setup was written.";
            return outcome;
        }
        outcome.explained = ExplainCompilerOutput(output, NameOf(build.NewScript()), build.origins);
        outcome.failure =
            crashed ? std::string("The installer compiler stopped unexpectedly")
                    : "The installer compiler failed (exit code " + std::to_string(exitCode) + ")";
        outcome.summary = outcome.failure + "." + PreviousSetupNote(build);
        return outcome;
    }
    // The compiler has put the setup and its manifest in place; the script follows them.
    std::error_code error;
    std::filesystem::rename(FsPath(build.NewScript()), FsPath(build.Script()), error);
    if (error) {
        outcome.failure = "The setup " + build.Setup() + " was built, but its script " +
                          build.Script() + " could not be replaced: " + error.message();
        outcome.summary = outcome.failure + ".";
        return outcome;
    }
    std::string manifest = SetupManifest(build.Setup());
    if (manifest.empty()) {
        try {
            manifest = WriteSetupManifest(build.Setup(), build.files, FolderOf(build.Script()));
        } catch (const std::exception& problem) {
            outcome.failure =
                "The setup " + build.Setup() +
                " was built, but its manifest could not be written: " + problem.what();
            outcome.summary = outcome.failure + ".";
            return outcome;
        }
    }
    outcome.succeeded = true;
    outcome.summary = "The setup " + build.Setup() + " was built. Its manifest (SHA-256 of the " +
                      "setup and of every installed file) is " + manifest + ".";
    return outcome;
}

void AbandonSetup(const PreparedSetup& build) {
    if (FileExists(build.NewScript()))
        DeleteFile(build.NewScript());
}

}  // namespace kb
