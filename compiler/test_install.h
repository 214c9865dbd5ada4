#pragma once
// Test install: builds the 64-bit variant of a script's setup (the one Debian's wine runs),
// installs it very silently in a throwaway wine prefix, lists what it installed, runs the
// uninstaller and lists what was left behind. The designer's own setup is not touched.
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

// Runs the test install of the script. Throws CompileError when the script does not compile
// or wine cannot be run; a setup that fails to install or uninstall is reported, not thrown.
TestInstallReport TestInstall(const std::string& scriptPath, const TestInstallOptions& options);

}  // namespace compiler
