#include "compiler/test_install.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <sstream>

#include "compiler/child_process.h"
#include "compiler/installer_compiler.h"
#include "compiler/stopping.h"
#include "compiler/temporary_folder.h"
#include "foundation/platform.h"

namespace compiler {
namespace {

namespace fs = std::filesystem;

// Where the test install's setup finds the script's password.
constexpr const char* kPasswordVariable = "KB_TEST_INSTALL_PASSWORD";

std::string FindWineProgram(std::initializer_list<const char*> names) {
    for (const char* name : names) {
        if (HasChild(name))
            return name;
        const std::string debian = std::string("/usr/lib/wine/") + name;
        if (HasChild(debian))
            return debian;
    }
    return "";
}

// A program name as found on the search path, or as given when it names a path.
std::string Resolved(const std::string& program) {
    if (program.find('/') != std::string::npos)
        return program;
    const std::string found = kb::FindProgram(program);
    return found.empty() ? program : found;
}

// One throwaway wine prefix below a temporary folder, with its own home folder, no display
// and none of wine's desktop integration.
class WinePrefix {
  public:
    WinePrefix(const std::string& root, const TestInstallOptions& options)
        : root_(root), timeout_(options.timeoutSeconds) {
        wine_ = options.wine.empty() ? FindWine() : options.wine;
        wineserver_ =
            options.wineserver.empty() ? FindWineProgram({"wineserver"}) : options.wineserver;
        if (wine_.empty() || wineserver_.empty())
            throw CompileError("Test install needs wine (Debian package wine64)");
        fs::create_directories(root_ + "/home");
        // With WINELOADER naming the 64-bit loader wineboot also fills the prefix's 32-bit
        // part (where wine32 is installed), which the setups as built need.
        const ChildResult booted = Run({"wineboot", "-i"}, {"WINELOADER=" + Resolved(wine_)});
        if (booted.exitCode != 0)
            throw CompileError("wine could not prepare a prefix:\n" + booted.output);
    }
    ~WinePrefix() { RunChild({wineserver_, "-k"}, Options()); }
    WinePrefix(const WinePrefix&) = delete;
    WinePrefix& operator=(const WinePrefix&) = delete;

    // Runs a program of the prefix; environment adds "NAME=value" entries.
    ChildResult Run(std::vector<std::string> arguments,
                    const std::vector<std::string>& environment = {}) const {
        arguments.insert(arguments.begin(), wine_);
        ChildOptions options = Options();
        options.environment.insert(options.environment.end(), environment.begin(),
                                   environment.end());
        return RunChild(arguments, options);
    }

    // Waits until every program of the prefix has ended (an uninstaller hands over to a copy
    // of itself and returns at once).
    void WaitIdle() const { RunChild({wineserver_, "-w"}, Options()); }

    std::string DriveC() const { return root_ + "/wine/drive_c"; }

    // "C:\a\b" for <drive_c>/a/b.
    std::string WindowsPath(const std::string& relative) const {
        std::string path = "C:\\" + relative;
        std::ranges::replace(path, '/', '\\');
        return path;
    }
    // <drive_c>/a/b for "C:\a\b"; "" for paths elsewhere.
    std::string LocalPath(std::string windows) const {
        if (windows.size() < 3 ||
            (windows.compare(0, 3, "C:\\") != 0 && windows.compare(0, 3, "c:\\") != 0))
            return "";
        windows = windows.substr(3);
        std::ranges::replace(windows, '\\', '/');
        return DriveC() + "/" + windows;
    }

  private:
    ChildOptions Options() const {
        ChildOptions options;
        options.environment = {"WINEPREFIX=" + root_ + "/wine",
                               "WINEDEBUG=-all",
                               "WINEDLLOVERRIDES=winemenubuilder.exe=d;mscoree=d;mshtml=d",
                               "HOME=" + root_ + "/home",
                               "DISPLAY=",
                               "WAYLAND_DISPLAY="};
        options.timeoutSeconds = timeout_;
        return options;
    }

    std::string root_, wine_, wineserver_;
    int timeout_;
    // A stopped compiler ends the prefix's wine server, which is of no process group of ours.
    RunOnStop endServer_{[this] { RunChild({wineserver_, "-k"}, Options()); }};
};

// Every file and folder below drive_c, as paths relative to it ("/" separated, folders with a
// trailing "/").
std::set<std::string> Snapshot(const std::string& driveC) {
    std::set<std::string> paths;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(
             driveC, fs::directory_options::skip_permission_denied, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        const std::string relative = fs::relative(it->path(), driveC).string();
        if (it->is_symlink()) {
            it.disable_recursion_pending();  // the home folder's links lead out of the prefix
            continue;
        }
        paths.insert(it->is_directory() ? relative + "/" : relative);
    }
    return paths;
}

std::vector<std::string> Added(const std::set<std::string>& before,
                               const std::set<std::string>& after) {
    std::vector<std::string> added;
    std::ranges::set_difference(after, before, std::back_inserter(added));
    return added;
}

bool IsShortcut(const std::string& path) {
    return path.ends_with(".lnk") || path.ends_with(".url");
}

// The temporary folders, where the setup unpacks its plug-ins and the uninstaller runs a copy
// of itself: what is left there is not the setup's to clean.
bool IsTemporary(const std::string& path) {
    return path.find("/Temp/") != std::string::npos || path.ends_with("/Temp/");
}

// Files that wine writes of its own accord while programs run (the compiled driver information
// caches in windows/inf), at times that vary from run to run: never the setup's.
bool IsWineOwn(const std::string& path) {
    return path.starts_with("windows/inf/") && path.ends_with(".pnf");
}

// What a snapshot difference holds that the setup did not write.
bool IsNotTheSetups(const std::string& path) {
    return IsTemporary(path) || IsWineOwn(path);
}

// The string values of a key from "reg query" (REG_SZ and REG_DWORD lines).
std::vector<std::pair<std::string, std::string>> RegistryValues(const std::string& output) {
    std::vector<std::pair<std::string, std::string>> values;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        for (const std::string type : {"    REG_SZ    ", "    REG_DWORD    "}) {
            const size_t at = line.find(type);
            if (line.starts_with("    ") && at != std::string::npos)
                values.emplace_back(line.substr(4, at - 4), line.substr(at + type.size()));
        }
    }
    return values;
}

std::string ValueOf(const TestInstallReport& report, std::string_view name) {
    for (const auto& [valueName, data] : report.uninstallValues)
        if (valueName == name)
            return data;
    return "";
}

std::string Unquoted(std::string text) {
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        return text.substr(1, text.size() - 2);
    return text;
}

}  // namespace

bool WineRunsSetupsAsBuilt(const std::string& wine) {
    // wine32 puts the 32-bit loader "wine" beside Debian's wine64, with its system below
    // i386-linux-gnu.
    const fs::path loader = fs::path(Resolved(wine)).parent_path() / "wine";
    return !wine.empty() && fs::exists(loader) &&
           fs::is_directory("/usr/lib/i386-linux-gnu/wine/i386-unix");
}

std::string FindWine() {
    return FindWineProgram({"wine64", "wine"});
}

std::string TestInstallReport::Summary() const {
    std::ostringstream text;
    text << "Test install of " << setupName
         << (asBuilt ? " (as built)"
                     : " (its 64-bit build, from the same script: wine32 is not installed)")
         << " in a throwaway wine prefix:\n";
    if (!Installed()) {
        text << "the setup did not install (exit code " << installExitCode << ").\n";
        return text.str();
    }
    text << "installed " << files.size() << " files into " << installFolder << "\n";
    for (const std::string& file : files)
        text << "  " << file << "\n";
    text << shortcuts.size() << " shortcuts:\n";
    for (const std::string& shortcut : shortcuts)
        text << "  " << shortcut << "\n";
    text << "uninstall entry " << uninstallKey << ":\n";
    for (const auto& [name, data] : uninstallValues)
        text << "  " << name << " = " << data << "\n";
    if (uninstallExitCode != 0)
        text << "the uninstaller failed (exit code " << uninstallExitCode << ").\n";
    if (leftovers.empty()) {
        text << "uninstall left nothing.\n";
        return text.str();
    }
    text << "uninstall left " << leftovers.size() << ":\n";
    for (const std::string& leftover : leftovers)
        text << "  " << leftover << "\n";
    return text.str();
}

TestInstallReport TestInstall(const std::string& scriptPath, const TestInstallOptions& options) {
    const ReadScript read = ReadSetupScript(scriptPath);
    const SetupPlan& plan = read.plan;
    const TemporaryFolder root("compil32-test-install");
    const std::string wine = options.wine.empty() ? FindWine() : options.wine;
    const bool asBuilt = WineRunsSetupsAsBuilt(wine);
    CompileOptions compile;
    // Without wine32 only the 64-bit variant of the setup runs here.
    if (!asBuilt)
        compile.target = "amd64-unicode";
    compile.makensis = options.makensis;
    compile.outputDir = root.Path() + "/setup";
    compile.passwordVariable = kPasswordVariable;
    std::vector<std::string> warnings;
    const std::string setup = CompileSetupScript(scriptPath, compile, warnings);

    TestInstallReport report;
    report.setupName = plan.outputBaseFilename + ".exe";
    report.asBuilt = asBuilt;
    const WinePrefix prefix(root.Path(), options);
    // The prerequisite that the script's check asks for, so that the setup can run at all.
    if (plan.registryCheck)
        prefix.Run({"reg", "add", "HKLM\\" + plan.registryCheck->key, "/reg:32", "/f"});
    const std::set<std::string> before = Snapshot(prefix.DriveC());
    // The password goes in the setup's environment, which other users cannot read, rather
    // than on its command line, which every process list shows.
    std::vector<std::string> environment;
    if (!plan.password.empty())
        environment.push_back(std::string(kPasswordVariable) + "=" + plan.password);
    report.installExitCode = prefix.Run({setup, "/VERYSILENT"}, environment).exitCode;
    prefix.WaitIdle();

    const std::string key = std::string(plan.admin ? "HKLM\\" : "HKCU\\") + plan.UninstallKey();
    const ChildResult query = prefix.Run({"reg", "query", key, "/reg:32"});
    if (query.exitCode == 0) {
        report.uninstallKey = key;
        report.uninstallValues = RegistryValues(query.output);
    }
    report.installFolder = ValueOf(report, "InstallLocation");
    for (const std::string& path : Added(before, Snapshot(prefix.DriveC()))) {
        if (path.ends_with("/") || IsNotTheSetups(path))
            continue;
        (IsShortcut(path) ? report.shortcuts : report.files).push_back(prefix.WindowsPath(path));
    }
    if (!report.Installed())
        return report;

    const std::string uninstaller = prefix.LocalPath(Unquoted(ValueOf(report, "UninstallString")));
    report.uninstallExitCode =
        uninstaller.empty() ? -1 : prefix.Run({uninstaller, "/VERYSILENT"}).exitCode;
    prefix.WaitIdle();
    for (const std::string& path : Added(before, Snapshot(prefix.DriveC())))
        if (!IsNotTheSetups(path))
            report.leftovers.push_back(prefix.WindowsPath(path));
    if (prefix.Run({"reg", "query", key, "/reg:32"}).exitCode == 0)
        report.leftovers.push_back(key);
    return report;
}

}  // namespace compiler
