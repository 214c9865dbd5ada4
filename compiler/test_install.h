#pragma once
// Test install: builds a script's setup again (as built where wine runs 32-bit programs, else
// its 64-bit variant), installs it very silently in a throwaway wine prefix, lists what it
// installed, runs the uninstaller and lists what was left behind. The designer's own setup is
// not touched.
#include <string>
#include <utility>
#include <vector>

namespace compiler {

struct TestInstallOptions {
    std::string wine;        // "" finds wine64 or wine (on PATH, or in /usr/lib/wine)
    std::string wineserver;  // "" finds it the same way
    std::string makensis = "makensis";
    int timeoutSeconds = 300;  // for each wine run
};

struct TestInstallReport {
    std::string setupName;               // the script's setup file name
    std::string installFolder;           // the uninstall entry's InstallLocation, a Windows path
    std::vector<std::string> files;      // Windows paths of the installed files
    std::vector<std::string> shortcuts;  // Windows paths of the .lnk and .url files
    std::string uninstallKey;            // "HKLM\...\Uninstall\<AppId>_is1"
    std::vector<std::pair<std::string, std::string>> uninstallValues;  // name, data
    std::vector<std::string> leftovers;  // Windows paths (and the key) left after uninstalling
    bool asBuilt = false;                // false: its 64-bit variant was installed
    int installExitCode = -1;
    int uninstallExitCode = -1;

    bool Installed() const { return installExitCode == 0 && !uninstallKey.empty(); }
    bool Clean() const { return Installed() && uninstallExitCode == 0 && leftovers.empty(); }
    // The short report for the designer: how many files went where, the shortcuts and the
    // uninstall entry, and whether uninstalling left anything.
    std::string Summary() const;
};

// Where the wine program is; "" when it is not installed.
std::string FindWine();
// Whether wine runs 32-bit programs here (Debian's wine32 beside wine64), and so the setup as
// built.
bool WineRunsSetupsAsBuilt(const std::string& wine);

// Runs the test install of the script. Throws CompileError when the script does not compile
// or wine cannot be run; a setup that fails to install or uninstall is reported, not thrown.
TestInstallReport TestInstall(const std::string& scriptPath, const TestInstallOptions& options);

}  // namespace compiler
