#include "compiler/installer_compiler.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "compiler/code_signing.h"
#include "compiler/digest.h"
#include "compiler/iss_script.h"
#include "compiler/reproducible.h"
#include "compiler/script_encoding.h"
#include "compiler/staged_picture.h"
#include "compiler/stopping.h"
#include "compiler/temporary_folder.h"
#include "foundation/errors.h"
#include "foundation/platform.h"
#include "foundation/setup_manifest.h"

namespace compiler {
namespace {

namespace fs = std::filesystem;

using kb::Manifest;
using kb::ManifestFile;
using kb::ManifestPath;
using kb::ManifestText;

std::string ReadBytes(const std::string& path, const Diagnostics& diagnostics) {
    std::ifstream stream(path, std::ios::binary);
    if (!stream)
        diagnostics.Fail(0, "Cannot read the file");
    std::ostringstream bytes;
    bytes << stream.rdbuf();
    return bytes.str();
}

void WriteBytes(const std::string& path, std::string_view bytes, const Diagnostics& diagnostics) {
    std::ofstream stream(path, std::ios::binary | std::ios::trunc);
    stream << bytes;
    if (!stream.flush())
        diagnostics.Fail(0, "Cannot write \"" + path + "\"");
}

// A text for a licence-style page: UTF-8 with byte-order mark and Windows line ends.
std::string PageText(std::string_view bytes) {
    std::string text = "\xEF\xBB\xBF";
    for (char c : DecodeScriptText(bytes)) {
        if (c == '\r')
            continue;
        if (c == '\n')
            text += '\r';
        text += c;
    }
    return text;
}

void StageText(const std::string& from, const std::string& to, const Diagnostics& diagnostics) {
    if (from.empty())
        return;
    const std::string bytes = ReadBytes(from, Diagnostics(from));
    WriteBytes(to, to.ends_with(".rtf") ? bytes : PageText(bytes), diagnostics);
}

void MakeFolderFor(const std::string& file) {
    const fs::path folder = fs::path(file).parent_path();
    std::error_code error;
    fs::create_directories(folder, error);
    if (error)
        throw CompileError(folder.string() +
                           ": cannot make the folder for the setup's files: " + error.message());
}

void StageFile(const std::string& from, const std::string& to) {
    if (from.empty())
        return;
    std::error_code error;
    fs::copy_file(from, to, fs::copy_options::overwrite_existing, error);
    if (error)
        throw CompileError(from + ": cannot copy for the setup: " + error.message());
}

void StageInputs(const SetupPlan& plan, const NsisInputs& inputs, const Diagnostics& diagnostics) {
    for (size_t i = 0; i < plan.files.size(); ++i) {
        MakeFolderFor(inputs.fileSources[i]);
        StageFile(plan.files[i].source, inputs.fileSources[i]);
    }
    StageText(plan.licenseFile, inputs.licenseFile, diagnostics);
    StageText(plan.infoBeforeFile, inputs.infoBeforeFile, diagnostics);
    StageText(plan.infoAfterFile, inputs.infoAfterFile, diagnostics);
    for (const auto& [from, to] :
         {std::pair(&plan.wizardImageFile, &inputs.wizardImageFile),
          std::pair(&plan.wizardSmallImageFile, &inputs.wizardSmallImageFile)})
        if (!from->empty())
            StagePicture(*from, *to);
}

// Every local file the setup is made of.
std::vector<std::string> LocalSources(const SetupPlan& plan) {
    std::vector<std::string> sources;
    for (const SetupFile& file : plan.files)
        sources.push_back(file.source);
    for (const std::string* path : {&plan.licenseFile, &plan.infoBeforeFile, &plan.infoAfterFile,
                                    &plan.wizardImageFile, &plan.wizardSmallImageFile})
        if (!path->empty())
            sources.push_back(*path);
    return sources;
}

// The staged copies carry the setup's time, which makensis records for each installed file.
void StampStagedFiles(const std::string& stageFolder, std::int64_t time) {
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(stageFolder))
        if (entry.is_regular_file())
            SetFileTime(entry.path().string(), time);
}

std::vector<ManifestFile> InstalledFiles(const SetupPlan& plan) {
    std::vector<ManifestFile> files;
    for (const SetupFile& file : plan.files)
        files.push_back({file.installPath, Sha256OfFile(file.source)});
    return files;
}

std::string CollectionSaltOf(const SetupPlan& plan, const std::vector<ManifestFile>& files) {
    std::vector<std::string> digests;
    for (const ManifestFile& file : files)
        digests.push_back(file.digest.sha256);
    return CollectionSalt(plan.appId, digests);
}

// The setup and its manifest, written under part names of their own beside where they go and
// moved into place only when the build succeeded, so that a failed or stopped build leaves the
// previous setup and manifest as they were. The part names carry the process id, so that a later
// build removes what a killed one left.
class SetupOutput {
  public:
    explicit SetupOutput(std::string setup)
        : setup_(std::move(setup)),
          partSetup_(PartPrefix(setup_) + std::to_string(ProcessId())),
          partManifest_(PartPrefix(ManifestPath(setup_)) + std::to_string(ProcessId())),
          setupOnStop_(partSetup_),
          manifestOnStop_(partManifest_) {
        const std::string folder = fs::path(setup_).parent_path().string();
        RemoveLeftovers(folder, fs::path(PartPrefix(setup_)).filename().string());
        RemoveLeftovers(folder, fs::path(PartPrefix(ManifestPath(setup_))).filename().string());
        Remove();
    }
    ~SetupOutput() {
        if (!committed_)
            Remove();
    }
    SetupOutput(const SetupOutput&) = delete;
    SetupOutput& operator=(const SetupOutput&) = delete;
    const std::string& PartSetup() const { return partSetup_; }
    const std::string& PartManifest() const { return partManifest_; }

    // The old manifest goes first: between the two moves there is a setup without a manifest,
    // never a manifest of another setup.
    void Commit() {
        std::error_code error;
        fs::remove(ManifestPath(setup_), error);
        if (!error)
            fs::rename(partSetup_, setup_, error);
        if (!error)
            fs::rename(partManifest_, ManifestPath(setup_), error);
        if (error)
            throw CompileError(setup_ + ": cannot put the new setup in place: " + error.message());
        committed_ = true;
    }

  private:
    static std::string PartPrefix(const std::string& path) { return path + ".part-"; }
    void Remove() const {
        std::error_code ignored;
        fs::remove(partManifest_, ignored);
        fs::remove(partSetup_, ignored);
    }
    std::string setup_, partSetup_, partManifest_;
    RemovedOnStop setupOnStop_, manifestOnStop_;
    bool committed_ = false;
};

// The text in single quotes for sh, any character kept as it is.
std::string ShellQuote(std::string_view text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

constexpr const char* kUninstallerSigner = "sign-uninstaller.sh";

// The script makensis runs on the uninstaller: this program again, signing the file in place.
void WriteUninstallerSigner(const std::string& stageFolder, const SetupPlan& plan,
                            std::int64_t time, const Diagnostics& diagnostics) {
    const std::string self = kb::ExecutableFolder() + "/" + kb::ExecutableName();
    WriteBytes(stageFolder + "/" + kUninstallerSigner,
               "exec " + ShellQuote(self) + " /signfile=\"$1\" /time=" + std::to_string(time) +
                   " /description=" + ShellQuote(plan.appName) + "\n",
               diagnostics);
}

// Signs the setup, checks the signature and answers how the manifest records it.
std::string SignSetup(const std::string& setup, const SigningSettings& settings,
                      const SetupPlan& plan, std::int64_t time) {
    SignProgram(setup, settings, plan.appName, time);
    VerifySignature(setup, settings);
    return "yes, setup and uninstaller (Authenticode, osslsigncode), by " +
           CertificateSubject(settings.certificate, settings.password) +
           "; signature verified; time stamp: " +
           (settings.timestampServer.empty() ? "none" : settings.timestampServer);
}

// makensis lists the whole folder of a File line's source (and stats each entry) to match the
// name, so a setup's files are staged in small folders of their own: a build then takes time in
// proportion to its files, not to their square.
constexpr size_t kFilesPerStageFolder = 16;

// The staged copy of the plan's file at index: <stage>/files/<group>/<index + 1>.
std::string StagedFilePath(const std::string& stageFolder, size_t index) {
    return stageFolder + "/files/" + std::to_string(index / kFilesPerStageFolder) + "/" +
           std::to_string(index + 1);
}

std::string LocalOptional(const std::string& planned, const std::string& staged) {
    return planned.empty() ? "" : staged;
}

// makensis's output cut into lines; the "File: " lines go to fileAdded as they come.
std::function<void(std::string_view)> FileLines(
    const std::function<void(const std::string&)>& fileAdded) {
    if (!fileAdded)
        return {};
    return [fileAdded, partial = std::string()](std::string_view piece) mutable {
        partial += piece;
        for (size_t end = partial.find('\n'); end != std::string::npos; end = partial.find('\n')) {
            const std::string line = partial.substr(0, end);
            partial.erase(0, end + 1);
            if (line.starts_with("File: "))
                fileAdded(line);
        }
    };
}

}  // namespace

ReadScript ReadSetupScript(const std::string& scriptPath) {
    Diagnostics diagnostics(scriptPath);
    std::error_code error;
    if (!fs::is_regular_file(scriptPath, error))
        diagnostics.Fail(0, "The script does not exist");
    const std::string text = DecodeScriptText(ReadBytes(scriptPath, diagnostics));
    const IssScript script = ParseIssScript(text, diagnostics);
    const std::string folder = fs::absolute(scriptPath).parent_path().string();
    SetupPlan plan = BuildSetupPlan(script, folder, diagnostics);
    return ReadScript{std::move(plan), diagnostics.Warnings()};
}

NsisInputs PlanInputs(const SetupPlan& plan, const std::string& stageFolder,
                      const std::string& target, const std::string& salt, int iterations) {
    NsisInputs inputs;
    inputs.target = target;
    inputs.outFile = (fs::path(plan.outputDir) / (plan.outputBaseFilename + ".exe")).string();
    for (size_t i = 0; i < plan.files.size(); ++i)
        inputs.fileSources.push_back(StagedFilePath(stageFolder, i));
    const auto text = [&](const std::string& file, std::string_view name) {
        const bool rtf = fs::path(file).extension() == ".rtf";
        return LocalOptional(file, stageFolder + "/" + std::string(name) + (rtf ? ".rtf" : ".txt"));
    };
    inputs.licenseFile = text(plan.licenseFile, "license");
    inputs.infoBeforeFile = text(plan.infoBeforeFile, "info-before");
    inputs.infoAfterFile = text(plan.infoAfterFile, "info-after");
    inputs.wizardImageFile = LocalOptional(plan.wizardImageFile, stageFolder + "/wizard.bmp");
    inputs.wizardSmallImageFile =
        LocalOptional(plan.wizardSmallImageFile, stageFolder + "/wizard-small.bmp");
    if (!plan.password.empty())
        inputs.password = HashPassword(plan.password, salt, iterations);
    return inputs;
}

void RunMakensis(const CompileOptions& options, const std::string& nsisPath,
                 const std::string& stageFolder, const Diagnostics& diagnostics) {
    const kb::ProgramResult made =
        kb::StartProgram(options.makensis, {"-V2", "-WX", nsisPath}, stageFolder, true,
                         FileLines(options.fileAdded));
    if (!made.started)
        diagnostics.Fail(0, "Cannot run " + options.makensis + " (is NSIS installed?)");
    if (made.exitCode != 0)
        diagnostics.Fail(0, "makensis could not build the setup:\n" + made.output);
}

std::string CompileSetupScript(const std::string& scriptPath, const CompileOptions& options,
                               std::vector<std::string>& warnings) {
    ReadScript read = ReadSetupScript(scriptPath);
    warnings = read.warnings;
    if (!options.outputDir.empty())
        read.plan.outputDir = fs::absolute(options.outputDir).string();
    const Diagnostics diagnostics(scriptPath);
    const std::int64_t time = SetupTime(LocalSources(read.plan));
    Manifest manifest;
    manifest.signature = kb::kManifestUnsigned;
    manifest.files = InstalledFiles(read.plan);
    const TemporaryFolder stage("compil32");
    NsisInputs inputs = PlanInputs(read.plan, stage.Path(), options.target,
                                   CollectionSaltOf(read.plan, manifest.files));
    inputs.passwordVariable = options.passwordVariable;
    const SigningSettings signing = options.sign ? ReadSigningSettings() : SigningSettings{};
    if (signing.Configured()) {
        WriteUninstallerSigner(stage.Path(), read.plan, time, diagnostics);
        inputs.uninstallerSigner = kUninstallerSigner;
    }
    StageInputs(read.plan, inputs, diagnostics);
    StampStagedFiles(stage.Path(), time);
    std::error_code error;
    fs::create_directories(read.plan.outputDir, error);
    if (error)
        diagnostics.Fail(
            0, "Cannot make the output folder \"" + read.plan.outputDir + "\": " + error.message());
    const std::string setup = inputs.outFile;
    SetupOutput output(setup);
    inputs.outFile = output.PartSetup();
    const std::string nsis = "\xEF\xBB\xBF" + WriteNsisScript(read.plan, inputs);
    const std::string nsisPath = stage.Path() + "/setup.nsi";
    WriteBytes(nsisPath, nsis, diagnostics);
    if (!options.nsisCopy.empty())
        WriteBytes(options.nsisCopy, nsis, diagnostics);
    RunMakensis(options, nsisPath, stage.Path(), diagnostics);
    StampPeHeader(output.PartSetup(), time);
    if (signing.Configured())
        manifest.signature = SignSetup(output.PartSetup(), signing, read.plan, time);
    manifest.setupName = fs::path(setup).filename().string();
    manifest.setup = Sha256OfFile(output.PartSetup());
    try {
        kb::WriteManifest(output.PartManifest(), ManifestText(manifest));
    } catch (const kb::FileError& error) {
        throw CompileError(error.what());
    }
    output.Commit();
    return setup;
}

}  // namespace compiler
