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
    std::string setup = chosenBase + ".exe";
    if (!ui_.OpenDocument(setup))
        Message("The setup was written to \"" + setup +
                    "\" but could not be started here: no program opens it on this desktop. "
                    "Copy it to a Windows computer to run it; it is in the folder \"" +
                    FolderOf(setup) + "\".",
                "Kitbinder", MessageButtons::Ok, MessageIcon::Information);
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
