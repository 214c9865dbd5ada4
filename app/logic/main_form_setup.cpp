// The main form's Create Setup command: checks, the installer script beside the chosen setup,
// the installer compiler run without blocking the window, and the new setup program; and the
// view of the setups folder.
#include <algorithm>
#include <sstream>

#include "app/logic/main_form.h"
#include "foundation/files.h"
#include "foundation/paths.h"
#include "setup/build_checks.h"
#include "setup/script_origins.h"
#include "setup/setup_script.h"
#include "workspace/workspace_paths.h"

namespace kb {

namespace {

const char kCompiler[] = "Compil32.exe";

// Shows the busy pointer for the life of a scope.
class BusyCursor {
  public:
    explicit BusyCursor(UserInterface& ui) : ui_(ui) { ui_.BeginBusyCursor(); }
    ~BusyCursor() { ui_.EndBusyCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

  private:
    UserInterface& ui_;
};

// The number of files a script installs: its [Files] lines.
int FilesToAdd(const std::string& script) {
    int count = 0;
    for (size_t at = script.find("\nSource: "); at != std::string::npos;
         at = script.find("\nSource: ", at + 1))
        ++count;
    return count;
}

// The lines of the compiler's output that report a file added to the setup.
int FilesAdded(std::string_view output) {
    int count = 0;
    for (size_t at = output.find("File: "); at != std::string_view::npos;
         at = output.find("File: ", at + 1))
        if (at == 0 || output[at - 1] == '\n')
            ++count;
    return count;
}

// The report's lines that say what was installed and what the uninstall left (with the
// leftovers listed below it), as one line.
std::string TestInstallSummary(const std::string& report) {
    std::string summary;
    bool leftovers = false;
    std::istringstream lines(report);
    for (std::string line; std::getline(lines, line);) {
        if (leftovers && line.starts_with("  ")) {
            summary += (summary.ends_with(':') ? " " : ", ") + line.substr(2);
            continue;
        }
        leftovers = line.starts_with("uninstall left ") && line.ends_with(':');
        if (!leftovers && !line.starts_with("installed ") && !line.starts_with("uninstall left") &&
            !line.starts_with("the setup did not install") &&
            !line.starts_with("the uninstaller failed"))
            continue;
        if (line.ends_with('.'))
            line.pop_back();
        summary += (summary.empty() ? "" : "; ") + line;
    }
    return summary + ".";
}

}  // namespace

// One Create Setup build: where it writes, what its script lines came from, and its compiler.
struct TMainForm::SetupBuild {
    std::string chosenBase;  // the setup's path without ".exe"
    std::vector<std::string> origins;
    int filesToAdd = 0;
    std::string output;
    bool cancelled = false;
    bool ended = false;
    bool testInstall = false;  // a test install of the setup, which it must not remove
    std::unique_ptr<RunningProgram> compiler;

    std::string Script() const { return chosenBase + ".iss"; }
    std::string Setup() const { return chosenBase + ".exe"; }
};

void TMainForm::MacroNextButtonClick() {
    CreateSetupClick();
}

void TMainForm::Create1Click() {
    CreateSetupClick();
}

void TMainForm::CreateSetupClick() {
    Handle([&] {
        if (SetupBuildRunning())
            return;
        if (!CollectionIsValid()) {
            Message(
                "Choose a designer and a collection first: the setup is built for the "
                "selected collection.",
                "Kitbinder", MessageButtons::Ok, MessageIcon::Warning);
            return;
        }
        SaveItemText();
        CollectionVersionEditExit();
        int collection = form.CollectionCombo.Selected();
        form.SaveDialog1.fileName = collection < 0 ? "" : form.CollectionCombo.entries[collection];
        std::optional<std::string> chosen = Choose(form.SaveDialog1);
        if (!chosen)
            return;
        std::string baseName = StripExtension(*chosen, true);
        // Without a name of its own the script would be named after the folder, beside it.
        if (baseName.find_first_not_of(". ") == std::string::npos) {
            Message("The setup needs a file name: \"" + NameOf(*chosen) +
                        "\" has none. Choose a name such as Coats.exe.",
                    "Kitbinder", MessageButtons::Ok, MessageIcon::Warning);
            return;
        }
        std::string chosenBase = PathJoin(FolderOf(*chosen), baseName);
        if (FileExists(chosenBase + ".exe") && !ConfirmReplaceSetup(chosenBase + ".exe"))
            return;
        StartSetupBuild(chosenBase, baseName);
    });
}

bool TMainForm::SetupBuildRunning() const {
    return build_ && !build_->ended;
}

bool TMainForm::ConfirmReplaceSetup(const std::string& setup) {
    return Message("The setup " + setup + " already exists.\nDo you want to replace it?", "Warning",
                   MessageButtons::YesNo, MessageIcon::Warning) == MessageAnswer::Yes;
}

void TMainForm::StartSetupBuild(const std::string& chosenBase, const std::string& baseName) {
    auto build = std::make_shared<SetupBuild>();
    build->chosenBase = chosenBase;
    build_ = build;
    ui_.ShowBuildWindow([this, alive = alive_] {
        if (*alive)
            CancelSetupBuild();
    });
    try {
        PrepareSetupBuild(*build, baseName);
    } catch (const std::exception& error) {
        EndSetupBuild(*build, std::string("The build failed: ") + error.what(), false);
        throw;
    }
    if (!build->ended)
        StartCompiler(build);
}

// Checks the collection and writes the script; ends the build when the checks found errors.
void TMainForm::PrepareSetupBuild(SetupBuild& build, const std::string& baseName) {
    BusyCursor busy(ui_);
    ui_.SetBuildStep("Checking the collection...");
    const SetupScan scan = ScanForSetup(Data, form.MacroList.entries);
    const std::vector<BuildProblem> problems = CheckBuild(Data, scan, baseName);
    if (!problems.empty())
        ui_.AppendBuildLog(ProblemReportText(problems));
    if (HasErrors(problems)) {
        EndSetupBuild(build,
                      "Nothing was compiled: mend the errors listed above, then create the "
                      "setup again.",
                      false);
        return;
    }
    ui_.SetBuildStep("Writing the installer script...");
    if (FileExists(build.Script()))
        DeleteFile(build.Script());
    const std::string text = SetupScriptFromScan(Data, scan, baseName);
    if (!baseName.empty())
        WriteTextFile(build.Script(), text);
    build.origins = ScriptLineOrigins(text, scan);
    build.filesToAdd = FilesToAdd(text);
    // The person agreed to replace the old setup; a build that fails or is cancelled leaves none.
    DeleteFile(build.Setup());
}

void TMainForm::StartCompiler(const std::shared_ptr<SetupBuild>& build) {
    ui_.SetBuildStep("Compiling the setup...");
    ui_.SetBuildProgress(0, 0);
    std::weak_ptr<SetupBuild> weak = build;
    ProgramWatch watch;
    watch.output = [this, alive = alive_, weak](const std::string& text) {
        if (auto running = weak.lock(); running && *alive)
            Handle([&] { CompilerOutput(*running, text); });
    };
    watch.finished = [this, alive = alive_, weak](int exitCode, bool crashed) {
        if (auto running = weak.lock(); running && *alive)
            Handle([&] { CompilerFinished(*running, exitCode, crashed); });
    };
    Notify();
    std::unique_ptr<RunningProgram> compiler =
        ui_.StartWatchedProgram(kCompiler, {"/cc", build->Script()}, StartDirectory, watch);
    if (!compiler && !build->ended) {
        EndSetupBuild(*build,
                      std::string("The installer compiler ") + kCompiler + " could not be started.",
                      false);
        Message(std::string("The installer compiler ") + kCompiler +
                    " could not be started. Install it beside this program or on the "
                    "search path.",
                "Kitbinder", MessageButtons::Ok, MessageIcon::Error);
        return;
    }
    build->compiler = std::move(compiler);
}

void TMainForm::CompilerOutput(SetupBuild& build, const std::string& text) {
    build.output += text;
    ui_.AppendBuildLog(text);
    if (build.filesToAdd > 0)
        ui_.SetBuildProgress(std::min(FilesAdded(build.output), build.filesToAdd),
                             build.filesToAdd);
}

void TMainForm::CompilerFinished(SetupBuild& build, int exitCode, bool crashed) {
    if (build.ended)
        return;
    if (build.cancelled) {
        DeleteFile(build.Setup());
        EndSetupBuild(build, "Cancelled: no setup was written.", false);
        return;
    }
    if (crashed || exitCode != 0) {
        DeleteFile(build.Setup());
        const std::string explained =
            ExplainCompilerOutput(build.output, NameOf(build.Script()), build.origins);
        ui_.AppendBuildLog("\n" + explained);
        const std::string failure =
            crashed ? std::string("The installer compiler stopped unexpectedly")
                    : "The installer compiler failed (exit code " + std::to_string(exitCode) + ")";
        EndSetupBuild(build, failure + ".", false);
        Message(failure + ":\n" + explained, "Kitbinder", MessageButtons::Ok, MessageIcon::Error);
        return;
    }
    ui_.SetBuildProgress(build.filesToAdd, build.filesToAdd);
    ui_.SetBuildStep("Done");
    EndSetupBuild(build,
                  "The setup " + build.Setup() +
                      " was built. Its manifest (SHA-256 of the setup "
                      "and of every installed file) is " +
                      build.Setup() + ".sha256.",
                  true);
    testInstallScript_ = build.Script();
    form.TestInstallButton.enabled = true;
    if (!ui_.OpenDocument(build.Setup()))
        OfferTestInstall(build);
}

void TMainForm::EndSetupBuild(SetupBuild& build, const std::string& outcome, bool succeeded) {
    build.ended = true;
    ui_.EndBuild(outcome, succeeded);
}

void TMainForm::CancelSetupBuild() {
    if (!SetupBuildRunning())
        return;
    build_->cancelled = true;
    if (build_->compiler)
        build_->compiler->Stop();
}

void TMainForm::AbandonSetupBuild() {
    if (!SetupBuildRunning())
        return;
    build_->ended = true;
    build_->compiler.reset();
    if (!build_->testInstall)
        DeleteFile(build_->Setup());
}

void TMainForm::MissingFilesDetailsClick() {
    Handle([&] {
        std::string details;
        {
            BusyCursor busy(ui_);
            details = MissingFileDetails(ScanForSetup(Data, form.MacroList.entries));
        }
        ui_.ShowReport("Missing files", details);
    });
}

void TMainForm::OfferTestInstall(const SetupBuild& build) {
    const std::string setup = build.Setup();
    const MessageAnswer answer =
        Message("The setup was written to \"" + setup +
                    "\" but cannot be started here: no program is registered for \".exe\" on this "
                    "desktop. Copy it to a Windows computer to run it; it is in the folder \"" +
                    FolderOf(setup) +
                    "\".\n\nTest-install it now in a throwaway wine prefix instead? That installs "
                    "it, lists what it installed and uninstalls it again.",
                "Kitbinder", MessageButtons::YesNo, MessageIcon::Question);
    if (answer == MessageAnswer::Yes)
        StartTestInstall(build.Script());
}

void TMainForm::TestInstallButtonClick() {
    Handle([&] {
        if (SetupBuildRunning() || testInstallScript_.empty())
            return;
        StartTestInstall(testInstallScript_);
    });
}

void TMainForm::StartTestInstall(const std::string& script) {
    auto run = std::make_shared<SetupBuild>();
    run->chosenBase = script.substr(0, script.size() - 4);
    run->testInstall = true;
    build_ = run;
    ui_.ShowBuildWindow([this, alive = alive_] {
        if (*alive)
            CancelSetupBuild();
    });
    ui_.SetBuildStep(
        "Test install: building the 64-bit setup from the same script, installing and "
        "uninstalling it under wine...");
    ui_.SetBuildProgress(0, 0);
    std::weak_ptr<SetupBuild> weak = run;
    ProgramWatch watch;
    watch.output = [this, alive = alive_, weak](const std::string& text) {
        if (auto running = weak.lock(); running && *alive) {
            running->output += text;
            ui_.AppendBuildLog(text);
        }
    };
    watch.finished = [this, alive = alive_, weak](int exitCode, bool crashed) {
        if (auto running = weak.lock(); running && *alive)
            Handle([&] { TestInstallFinished(*running, exitCode, crashed); });
    };
    std::unique_ptr<RunningProgram> program =
        ui_.StartWatchedProgram(kCompiler, {"/testinstall", script}, StartDirectory, watch);
    if (!program && !run->ended) {
        EndSetupBuild(*run,
                      std::string("The installer compiler ") + kCompiler + " could not be started.",
                      false);
        return;
    }
    run->compiler = std::move(program);
}

void TMainForm::TestInstallFinished(SetupBuild& run, int exitCode, bool crashed) {
    if (run.ended)
        return;
    // Compil32's exit codes: 0 installed and uninstalled cleanly, 3 no wine.
    std::string outcome;
    if (run.cancelled)
        outcome = "Test install cancelled.";
    else if (crashed)
        outcome = "The test install stopped unexpectedly.";
    else if (exitCode == 3)
        outcome = "Test install needs wine, which is not installed (Debian package wine64).";
    else if (exitCode == 0 || run.output.find("\ninstalled ") != std::string::npos)
        outcome = "Test install: " + TestInstallSummary(run.output);
    else
        outcome = "The test install failed: see the messages above.";
    ui_.SetBuildStep("Done");
    EndSetupBuild(run, outcome, exitCode == 0 && !crashed && !run.cancelled);
}

void TMainForm::ShowExplorerButtonClick() {
    Handle([&] {
        std::string folder = PathJoin(WorkspaceRoot(false), "Installations");
        if (!ui_.OpenDocument(folder))
            Message("The folder \"" + folder +
                        "\" could not be opened: no file manager is set up on this desktop.",
                    "Kitbinder", MessageButtons::Ok, MessageIcon::Warning);
    });
}

}  // namespace kb
