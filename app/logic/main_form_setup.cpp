// The main form's Create Setup command: the installer script beside the chosen setup, the
// installer compiler, and the new setup program; and the view of the setups folder.
#include "app/logic/main_form.h"
#include "foundation/files.h"
#include "foundation/paths.h"
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

}  // namespace

void TMainForm::MacroNextButtonClick() {
    CreateSetupClick();
}

void TMainForm::Create1Click() {
    CreateSetupClick();
}

void TMainForm::CreateSetupClick() {
    Handle([&] {
        SaveItemText();
        CollectionVersionEditExit();
        int collection = form.CollectionCombo.Selected();
        form.SaveDialog1.fileName = collection < 0 ? "" : form.CollectionCombo.entries[collection];
        std::optional<std::string> chosen = Choose(form.SaveDialog1);
        if (!chosen)
            return;
        std::string baseName = StripExtension(*chosen, true);
        std::string chosenBase = PathJoin(FolderOf(*chosen), baseName);
        {
            BusyCursor busy(ui_);
            // The script goes where the compiler is pointed: beside the chosen setup.
            std::string script = chosenBase + ".iss";
            if (FileExists(script))
                DeleteFile(script);
            std::string text = BuildSetupScript(Data, form.MacroList.entries, baseName);
            if (!baseName.empty())
                WriteTextFile(script, text);
        }
        RunCompilerAndSetup(chosenBase);
    });
}

void TMainForm::RunCompilerAndSetup(const std::string& chosenBase) {
    Notify();
    ProgramResult compiler =
        ui_.StartProgram(kCompiler, {"/cc", chosenBase + ".iss"}, StartDirectory, true);
    if (!compiler.started) {
        Message(std::string("The installer compiler ") + kCompiler +
                    " could not be started. Install it beside this program or on the "
                    "search path.",
                "Kitbinder", MessageButtons::Ok, MessageIcon::Error);
        return;
    }
    if (compiler.exitCode != 0) {
        Message("The installer compiler failed (exit code " + std::to_string(compiler.exitCode) +
                    "):\n" + compiler.output,
                "Kitbinder", MessageButtons::Ok, MessageIcon::Error);
        return;
    }
    ui_.OpenDocument(chosenBase + ".exe");
}

void TMainForm::ShowExplorerButtonClick() {
    Handle([&] { ui_.OpenDocument(PathJoin(WorkspaceRoot(false), "Installations")); });
}

}  // namespace kb
