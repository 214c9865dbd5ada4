// The main form's Create Setup command: checks, the installer script beside the chosen setup,
// the installer compiler run without blocking the window, and the new setup program; and the
// view of the setups folder.
#include <algorithm>
#include <memory>
#include <sstream>

#include "app/logic/main_form.h"
#include "foundation/files.h"
#include "foundation/paths.h"
#include "foundation/platform.h"
#include "setup/build_checks.h"
#include "setup/setup_build.h"
#include "workspace/workspace_paths.h"

namespace kb {

namespace {

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

// The report's lines that say what was installed and what the uninstall left (with the
// leftovers listed below it), as one line.
std::string TestInstallSummary(const std::string& report) {
    std::string summary;
    bool leftovers = false;
    std::istringstream lines(report);
    for (std::string line; std::getline(lines, line);) {
        if (line.ends_with('\r'))  // a compiler on Windows ends its lines with CR LF
            line.pop_back();
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

// The installer shows the collection's setup picture converted; one that cannot be read stops the
// build before the compiler, naming the file.
void CheckSetupPicture(UserInterface& ui, PreparedSetup& build) {
    const CurrentSelection& selection = build.scan.inputs.selection;
    const std::string picture =
        InFolder(selection.collectionFolder, selection.collection + "_mini.bmp");
    if (FileExists(picture) && !ui.PictureReadable(picture))
        build.problems.insert(
            build.problems.begin(),
            {ProblemSeverity::Error, "collection " + selection.collection,
             "the setup picture cannot be read: " + picture + "; choose another setup picture"});
}

}  // namespace

// One Create Setup build: where it writes, what its script lines came from, and its compiler.
struct TMainForm::SetupBuild {
    PreparedSetup prepared;
    std::string output;
    bool cancelled = false;
    bool ended = false;
    bool testInstall = false;  // a test install of the setup, which it must not remove
    bool compilerEnded = false;
    std::unique_ptr<RunningProgram> compiler;

    std::string Script() const { return prepared.Script(); }
    std::string Setup() const { return prepared.Setup(); }
    std::string FailedHeading() const;
};

// The build window's heading once a build did not succeed: what stopped it.
std::string TMainForm::SetupBuild::FailedHeading() const {
    if (cancelled)
        return "Cancelled";
    if (testInstall)
        return "The test install failed";
    if (!prepared.scriptWritten)
        return HasErrors(prepared.problems) ? "Stopped by the checks: nothing was compiled"
                                            : "The build failed";
    return compilerEnded ? "The installer compiler failed"
                         : "The installer compiler could not be started";
}

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
        form.SaveDialog1.fileName = form.CollectionCombo.SelectedText();
        std::optional<std::string> chosen = Choose(form.SaveDialog1);
        if (!chosen)
            return;
        if (const std::string problem = SetupNameProblem(*chosen); !problem.empty()) {
            Message(problem, "Kitbinder", MessageButtons::Ok, MessageIcon::Warning);
            return;
        }
        const std::string chosenBase = SetupBase(*chosen);
        if (FileExists(chosenBase + ".exe") && !ConfirmReplaceSetup(chosenBase + ".exe"))
            return;
        StartSetupBuild(chosenBase);
    });
}

bool TMainForm::SetupBuildRunning() const {
    return build_ && !build_->ended;
}

bool TMainForm::ConfirmReplaceSetup(const std::string& setup) {
    return Message("The setup " + setup + " already exists.\nDo you want to replace it?", "Warning",
                   MessageButtons::YesNo, MessageIcon::Warning) == MessageAnswer::Yes;
}

void TMainForm::StartSetupBuild(const std::string& chosenBase) {
    auto build = std::make_shared<SetupBuild>();
    build->prepared.base = chosenBase;
    build_ = build;
    ui_.ShowBuildWindow([this, alive = alive_] {
        if (*alive)
            CancelSetupBuild();
    });
    try {
        PrepareSetupBuild(*build);
    } catch (const std::exception& error) {
        EndSetupBuild(*build, std::string("The build failed: ") + error.what(), false);
        throw;
    }
    if (!build->ended)
        StartCompiler(build);
}

// Checks the collection and writes the script; ends the build when the checks found errors,
// unless they are only missing files and the person chooses to build without them.
void TMainForm::PrepareSetupBuild(SetupBuild& build) {
    const BuildStepReport step = [&](const std::string& text) { ui_.SetBuildStep(text); };
    auto busy = std::make_unique<BusyCursor>(ui_);
    build.prepared =
        CheckSetup(Data, MakeScanInputs(form.MacroList.entries), build.prepared.base, step);
    CheckSetupPicture(ui_, build.prepared);
    if (!build.prepared.problems.empty())
        ui_.AppendBuildLog(ProblemReportText(build.prepared.problems));
    bool buildIt = !build.prepared.Stopped(MissingFiles::Allow);
    if (buildIt && build.prepared.Stopped(MissingFiles::Stop)) {
        busy.reset();  // the question is answered with the ordinary pointer
        buildIt = BuildWithoutMissingFiles(build.prepared.MissingRequired());
        busy = std::make_unique<BusyCursor>(ui_);
    }
    if (!buildIt) {
        EndSetupBuild(build,
                      "Nothing was compiled: mend the errors listed above, then create the "
                      "setup again.",
                      false);
        return;
    }
    WriteSetupScript(Data, build.prepared, ScriptUse::Compile, step);
}

bool TMainForm::BuildWithoutMissingFiles(int missing) {
    const std::string question =
        missing == 1
            ? "1 required file is missing (listed above). Build the setup without it?"
            : std::to_string(missing) +
                  " required files are missing (listed above). Build the setup without them?";
    return Message(question, "Kitbinder", MessageButtons::YesNo, MessageIcon::Question) ==
           MessageAnswer::Yes;
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
    std::unique_ptr<RunningProgram> compiler = ui_.StartWatchedProgram(
        kInstallerCompiler, CompilerArguments(build->prepared.NewScript()), StartDirectory, watch);
    if (!compiler && !build->ended) {
        AbandonSetup(build->prepared);
        EndSetupBuild(
            *build,
            std::string("The installer compiler ") + kInstallerCompiler + " could not be started.",
            false);
        Message(std::string("The installer compiler ") + kInstallerCompiler +
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
    const int total = build.prepared.filesToAdd;
    if (total > 0)
        ui_.SetBuildProgress(std::min(FilesAdded(build.output), total), total);
}

void TMainForm::CompilerFinished(SetupBuild& build, int exitCode, bool crashed) {
    if (build.ended)
        return;
    build.compilerEnded = true;
    const SetupOutcome outcome =
        FinishSetup(build.prepared, exitCode, crashed, build.output, build.cancelled);
    if (!outcome.succeeded) {
        if (!outcome.explained.empty())
            ui_.AppendBuildLog("\n" + outcome.explained);
        EndSetupBuild(build, outcome.summary, false);
        if (!build.cancelled)
            Message(outcome.failure + ":\n" + outcome.explained, "Kitbinder", MessageButtons::Ok,
                    MessageIcon::Error);
        return;
    }
    ui_.SetBuildProgress(build.prepared.filesToAdd, build.prepared.filesToAdd);
    ui_.SetBuildStep("Done");
    EndSetupBuild(build, outcome.summary, true);
    testInstallScript_ = build.Script();
    ShowTestInstallForOwnCompiler();
    form.TestInstallButton.enabled = true;
    if (build.cancelled)  // the compiler had finished: the setup stands, but is not started
        return;
    if (ui_.OpenDocument(build.Setup()))
        return;
    if (form.TestInstallButton.visible)
        OfferTestInstall(build);
    else
        Message("The setup was written to \"" + build.Setup() + "\" but could not be started.",
                "Kitbinder", MessageButtons::Ok, MessageIcon::Warning);
}

void TMainForm::ShowTestInstallForOwnCompiler() {
    form.TestInstallButton.visible = OwnInstallerCompiler(FindProgram(kInstallerCompiler));
}

void TMainForm::EndSetupBuild(SetupBuild& build, const std::string& outcome, bool succeeded) {
    build.ended = true;
    if (!succeeded)
        ui_.SetBuildStep(build.FailedHeading());
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
    build_->compiler.reset();  // asks the compiler to stop and waits for it to clean up
    if (!build_->testInstall)
        AbandonSetup(build_->prepared);
}

void TMainForm::MissingFilesDetailsClick() {
    Handle([&] {
        std::string details;
        {
            BusyCursor busy(ui_);
            details = MissingFileDetails(ScanForSetup(MakeScanInputs(form.MacroList.entries)));
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
        if (SetupBuildRunning() || testInstallScript_.empty() || !form.TestInstallButton.visible)
            return;
        StartTestInstall(testInstallScript_);
    });
}

void TMainForm::StartTestInstall(const std::string& script) {
    auto run = std::make_shared<SetupBuild>();
    run->prepared.base = script.substr(0, script.size() - 4);
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
    std::unique_ptr<RunningProgram> program = ui_.StartWatchedProgram(
        kInstallerCompiler, {"/testinstall", script}, StartDirectory, watch);
    if (!program && !run->ended) {
        EndSetupBuild(
            *run,
            std::string("The installer compiler ") + kInstallerCompiler + " could not be started.",
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
