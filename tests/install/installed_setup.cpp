// installed_setup: placed beside an installed kitbinder (the install test copies it there), it
// runs the program's windows offscreen on a sample workspace and builds a setup with Create
// Setup, so that the stock pictures and the installer compiler are taken from the installed
// layout. Prints what went wrong and ends with 1; 0 when the setup was built and started.
#include <QAbstractButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <string>
#include <vector>

#include "app/ui/build_form.h"
#include "app/ui/kitbinder_application.h"
#include "app/ui/kitbinder_windows.h"
#include "app/ui/main_window.h"
#include "app/ui/processing_form.h"
#include "foundation/files.h"
#include "foundation/platform.h"
#include "foundation/settings_store.h"
#include "tools/sample_workspace/sample_workspace.h"
#include "workspace/workspace_paths.h"

namespace {

int failures = 0;

void Expect(bool ok, const std::string& what) {
    if (!ok) {
        std::fprintf(stderr, "installed_setup: %s\n", what.c_str());
        ++failures;
    }
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The installed layout is what this program sees from its folder.
void ExpectInstalledLayout() {
    const kb::ProgramFiles& files = kb::OwnProgramFiles();
    Expect(EndsWith(files.resources, "/share/kitbinder"),
           "stock pictures not taken from the installed share folder: " + files.resources);
    Expect(EndsWith(files.helpers, "/libexec/kitbinder"),
           "helpers not taken from the installed libexec folder: " + files.helpers);
    Expect(kb::FileExists(kb::ResourceFile("KB_Designer.jpg")),
           "missing stock picture " + kb::ResourceFile("KB_Designer.jpg"));
    Expect(kb::FindProgram("Compil32.exe") == files.helpers + "/Compil32.exe",
           "installer compiler found at '" + kb::FindProgram("Compil32.exe") + "'");
    Expect(kb::FindProgram("kbstore") == files.helpers + "/kbstore",
           "database helper found at '" + kb::FindProgram("kbstore") + "'");
}

void Click(kb::KitbinderWindows& windows, const char* name) {
    auto* button = windows.Window().Control<QAbstractButton>(QLatin1String(name));
    QTest::mouseClick(button, Qt::LeftButton);
}

// The whole road: missing-file check, Create Setup, the setup handed to the desktop.
void BuildSetup(const std::string& workspace) {
    const std::string setup = workspace + "/Installations/Coats.exe";
    std::vector<std::string> messages;
    std::vector<std::string> opened;
    kb::DialogHooks hooks;
    hooks.message = [&](const std::string& text, const std::string&, kb::MessageButtons,
                        kb::MessageIcon) {
        messages.push_back(text);
        return kb::MessageAnswer::Ok;
    };
    hooks.chooseFile = [&](const kb::FileChooser&) -> std::optional<std::string> { return setup; };
    hooks.openDocument = [&](const std::string& path) {
        opened.push_back(path);
        return true;
    };
    kb::KitbinderWindows windows(hooks);
    windows.Window().show();
    Expect(QTest::qWaitForWindowExposed(&windows.Window()), "the main window was not shown");
    QTabBar* bar = windows.Window().Tabs()->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(4).center());
    Click(windows, "CheckMacroButton");
    for (int waited = 0; windows.Processing().isVisible() && waited < 30000; waited += 50)
        QTest::qWait(50);
    Click(windows, "MacroNextButton");
    // The compiler runs while the build window shows its progress.
    for (int waited = 0; windows.Build().Running() && waited < 120000; waited += 50)
        QTest::qWait(50);
    for (const std::string& message : messages)
        Expect(false, "the program said: " + message);
    Expect(kb::FileExists(setup), "no setup at " + setup);
    Expect(opened == std::vector<std::string>{setup}, "the setup was not started");
}

}  // namespace

int main(int argc, char** argv) {
    kb::KitbinderApplication application(argc, argv);
    ExpectInstalledLayout();
    QTemporaryDir temp;
    const std::string base = temp.path().toStdString();
    kb::SetDocumentsFolder(base + "/Documents");
    kb::SetSettingsFolder(kb::SettingsRoot::CurrentUser, base + "/settings");
    kb::SetSettingsFolder(kb::SettingsRoot::LocalMachine, base + "/machine");
    const std::string workspace = kb::MakeSampleWorkspace(base + "/Documents");
    // The sample leaves one picture out on purpose; a setup is built only without missing pictures.
    kb::WriteTextFile(workspace + "/Designers/Anna/Coats/Duffle_hood.jpg", "x");
    BuildSetup(workspace);
    if (failures == 0)
        std::printf("installed_setup: setup built with the installed layout\n");
    return failures == 0 ? 0 : 1;
}
