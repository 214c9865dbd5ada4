// Setups run for real under wine: the test install command (its own throwaway prefix) on the
// sample, and in one shared fresh prefix the registry check, the password, a very silent
// install and the uninstaller. Debian's wine64 runs only 64-bit programs, so the suite
// builds the amd64 variant of the sample setup; it behaves as the 32-bit one (32-bit registry
// view, {pf} as the 32-bit Program Files folder).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <iterator>
#include <memory>
#include <thread>

#include "compiler/test_install.h"
#include "tests/compiler/generated_setup.h"
#include "tests/compiler/sample_setup.h"
#include "tests/support/temp_folder.h"

namespace compiler::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* kUninstallKey =
    "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Anna - Coats_is1";
constexpr const char* kGroupRoot =
    "ProgramData/Microsoft/Windows/Start Menu/Programs/Bobbinwright Software";
constexpr const char* kGroup = "Bobbinwright 7.5/Collections/Anna";

std::string FindWineProgram(const std::string& name) {
    if (HasProgram(name))
        return name;
    const std::string debian = "/usr/lib/wine/" + name;
    return HasProgram(debian) ? debian : "";
}

class Compil32Wine : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        wine_ = FindWineProgram("wine64");
        wineserver_ = FindWineProgram("wineserver");
        if (wine_.empty() || wineserver_.empty() || !HasProgram("makensis"))
            return;
        start_ = Clock::now();
        root_ = std::make_unique<kb::test::TempFolder>();
        sample_ = MakeSampleSetup(root_->Path());
        const RunResult compiled =
            RunProgram({KB_COMPIL32_EXE, "/cc", sample_.script, "/target=amd64-unicode"});
        ASSERT_EQ(compiled.exitCode, 0) << compiled.output;
        fs::create_directories(*root_ / "home");
        const RunResult booted = Wine({"wineboot", "-i"});
        ASSERT_EQ(booted.exitCode, 0) << booted.output;
        std::cout << "wine prefix ready in " << Seconds() << " s\n";
    }

    static void TearDownTestSuite() {
        if (root_) {
            RunProgram({wineserver_, "-k"}, Environment());
            std::cout << "wine suite took " << Seconds() << " s\n";
        }
        root_.reset();
    }

    void SetUp() override {
        if (!root_)
            GTEST_SKIP() << "wine64 or makensis is missing";
    }

    static double Seconds() { return std::chrono::duration<double>(Clock::now() - start_).count(); }

    static std::vector<std::string> Environment() {
        return {"WINEPREFIX=" + (*root_ / "wine"), "WINEDEBUG=-all",
                "WINEDLLOVERRIDES=winemenubuilder.exe=d;mscoree=d;mshtml=d",
                "HOME=" + (*root_ / "home"), "DISPLAY="};
    }

    static RunResult Wine(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), wine_);
        return RunProgram(arguments, Environment());
    }

    // The local path of a Windows path in the prefix ("C:\a\b" is <prefix>/drive_c/a/b).
    static std::string Local(std::string windowsPath) {
        windowsPath = ReplaceAll(windowsPath.substr(3), "\\", "/");
        return *root_ / ("wine/drive_c/" + windowsPath);
    }

    // The value's data from "reg query", or "" when the key or value is missing.
    static std::string RegistryValue(const std::string& name,
                                     const std::string& key = kUninstallKey) {
        const RunResult query = Wine({"reg", "query", key, "/v", name, "/reg:32"});
        const std::string marker = name + "    REG_SZ    ";
        const size_t at = query.output.find(marker);
        if (query.exitCode != 0 || at == std::string::npos)
            return "";
        const size_t start = at + marker.size();
        return query.output.substr(start, query.output.find_first_of("\r\n", start) - start);
    }

    static bool NothingInstalled() {
        return !fs::exists(*root_ / "wine/drive_c/Program Files/Bobbinwright Software") &&
               !fs::exists(*root_ / "wine/drive_c/Program Files (x86)/Bobbinwright Software") &&
               !fs::exists(*root_ / ("wine/drive_c/" + std::string(kGroupRoot)));
    }

    static std::string GroupFile(const std::string& name, const std::string& group = kGroup) {
        return *root_ / ("wine/drive_c/" + std::string(kGroupRoot) + "/" + group + "/" + name);
    }

    // The uninstall key of a setup the generator made for the designer and collection.
    static std::string UninstallKeyOf(const TypedFields& fields) {
        return "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + fields.designer +
               " - " + fields.collection + "_is1";
    }

    static inline std::string wine_, wineserver_;
    static inline std::unique_ptr<kb::test::TempFolder> root_;
    static inline SampleSetup sample_;
    static inline Clock::time_point start_;
};

// A shortcut file names its target, in ANSI or UTF-16 form.
bool LinkNames(const std::string& link, const std::string& target) {
    const std::string bytes = ReadBytes(link);
    std::string wide;
    for (char c : target)
        wide += std::string{c, '\0'};
    return bytes.find(target) != std::string::npos || bytes.find(wide) != std::string::npos;
}

TEST_F(Compil32Wine, RefusesThenInstallsThenUninstalls) {
    const std::string password = std::string("/PASSWORD=") + kSamplePassword;
    {
        SCOPED_TRACE("without the Bobbinwright key the setup exits 1 and installs nothing");
        const RunResult refused = Wine({sample_.setup, "/VERYSILENT", password});
        EXPECT_EQ(refused.exitCode, 1) << refused.output;
        EXPECT_TRUE(NothingInstalled());
    }
    ASSERT_EQ(Wine({"reg", "add", "HKLM\\SOFTWARE\\Bobbinwright\\V75", "/reg:32", "/f"}).exitCode,
              0);
    {
        SCOPED_TRACE("a wrong or missing password is refused");
        const RunResult wrong = Wine({sample_.setup, "/VERYSILENT", "/PASSWORD=coat$secret"});
        EXPECT_EQ(wrong.exitCode, 2) << wrong.output;
        const RunResult none = Wine({sample_.setup, "/VERYSILENT"});
        EXPECT_EQ(none.exitCode, 2) << none.output;
        EXPECT_TRUE(NothingInstalled());
    }
    std::string uninstaller;
    {
        SCOPED_TRACE("a very silent install with the password installs everything");
        const RunResult installed = Wine({sample_.setup, "/VERYSILENT", password});
        ASSERT_EQ(installed.exitCode, 0) << installed.output;
        const std::string app = RegistryValue("InstallLocation");
        ASSERT_FALSE(app.empty());
        for (const SampleFile& file : sample_.files)
            EXPECT_EQ(ReadBytes(Local(app) + file.installPath),
                      ReadBytes(sample_.workspace + "/" + file.source))
                << file.installPath;
        uninstaller = Local(app) + "Uninstall Anna - Coats.exe";
        EXPECT_TRUE(fs::is_regular_file(uninstaller));
        EXPECT_EQ(RegistryValue("DisplayName"), "Anna - Coats");
        EXPECT_EQ(RegistryValue("DisplayVersion"), "0.1");
        EXPECT_EQ(RegistryValue("Publisher"), "Anna");
        EXPECT_EQ(RegistryValue("URLInfoAbout"), "www.anna.example");
        EXPECT_EQ(RegistryValue("HelpLink"), "www.anna.example");
        EXPECT_EQ(RegistryValue("URLUpdateInfo"), "www.anna.example");
        EXPECT_EQ(RegistryValue("DisplayIcon"), app + "Shared\\sew_m.ico");
        EXPECT_EQ(RegistryValue("UninstallString"), "\"" + app + "Uninstall Anna - Coats.exe\"");

        EXPECT_TRUE(LinkNames(GroupFile("Coats/Coat1.lnk"), "Coat1.mac"));
        EXPECT_TRUE(LinkNames(GroupFile("Coats/Coat1 Documentation (pdf).lnk"), "Coat1.pdf"));
        EXPECT_TRUE(LinkNames(GroupFile("Coats/Coat [2].lnk"), "Coat [2].mac"));
        EXPECT_TRUE(LinkNames(GroupFile("Women measuring instructions (pdf).lnk"), "Women.pdf"));
        EXPECT_NE(ReadBytes(GroupFile("Website Anna.url")).find("URL=http://www.anna.example"),
                  std::string::npos);
    }
    {
        SCOPED_TRACE("the uninstaller removes what was installed and keeps a foreign file");
        const std::string app = Local(RegistryValue("InstallLocation"));
        const std::string foreign = app + "Shared/Designers/Anna/Coats/foreign.txt";
        WriteBytes(foreign, "mine");
        const RunResult uninstalled = Wine({uninstaller, "/VERYSILENT"});
        ASSERT_EQ(uninstalled.exitCode, 0) << uninstalled.output;
        // The uninstaller hands over to a copy of itself in the temporary folder and returns;
        // that copy deletes the uninstaller after everything else but the {app} folder.
        for (int i = 0; i < 1200 && fs::exists(uninstaller); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_FALSE(fs::exists(uninstaller));
        for (const SampleFile& file : sample_.files)
            EXPECT_FALSE(fs::exists(app + file.installPath)) << file.installPath;
        EXPECT_EQ(ReadBytes(foreign), "mine");
        EXPECT_FALSE(fs::exists(*root_ / ("wine/drive_c/" + std::string(kGroupRoot))));
        EXPECT_EQ(RegistryValue("DisplayName"), "");
    }
    {
        SCOPED_TRACE("/DIR= chooses the folder");
        const RunResult custom =
            Wine({sample_.setup, "/VERYSILENT", password, "/DIR=C:\\Custom Place"});
        ASSERT_EQ(custom.exitCode, 0) << custom.output;
        EXPECT_EQ(RegistryValue("InstallLocation"), "C:\\Custom Place\\");
        EXPECT_TRUE(fs::is_regular_file(
            *root_ / "wine/drive_c/Custom Place/Shared/MeasureTables/Women.mmt"));
    }
}

// The command a designer runs: every sample file, the shortcuts and the uninstall entry are
// reported, and the uninstaller leaves nothing (before the uninstaller removed the folders of
// the installed files, seven empty folders were left).
TEST_F(Compil32Wine, TestInstallCommandReportsTheSampleAndACleanUninstall) {
    const RunResult tested = RunProgram({KB_COMPIL32_EXE, "/testinstall", sample_.script});
    EXPECT_EQ(tested.exitCode, 0) << tested.output;
    const std::string& report = tested.output;
    // The setup as built where wine runs 32-bit programs; else its 64-bit variant, and the
    // report says why.
    const bool asBuilt = compiler::WineRunsSetupsAsBuilt(compiler::FindWine());
    EXPECT_NE(report.find(asBuilt ? "Coats.exe (as built)"
                                  : "64-bit build, from the same script: "
                                    "wine32 is not installed"),
              std::string::npos)
        << report;
    EXPECT_NE(report.find("installed " + std::to_string(sample_.files.size() + 1) +
                          " files into C:\\Program Files"),
              std::string::npos)
        << report;
    for (const SampleFile& file : sample_.files)
        EXPECT_NE(
            report.find("Bobbinwright Software\\" + ReplaceAll(file.installPath, "/", "\\") + "\n"),
            std::string::npos)
            << file.installPath;
    EXPECT_NE(report.find("5 shortcuts:"), std::string::npos) << report;
    EXPECT_NE(report.find("\\Collections\\Anna\\Coats\\Coat [2].lnk\n"), std::string::npos);
    EXPECT_NE(report.find("\\Collections\\Anna\\Website Anna.url\n"), std::string::npos);
    EXPECT_NE(report.find(std::string("uninstall entry ") + kUninstallKey + ":"), std::string::npos)
        << report;
    EXPECT_NE(report.find("  DisplayName = Anna - Coats\n"), std::string::npos) << report;
    EXPECT_NE(report.find("uninstall left nothing.\n"), std::string::npos) << report;
}

// What the uninstaller keeps on purpose is reported as left behind, and the command fails.
TEST_F(Compil32Wine, TestInstallReportsWhatTheUninstallLeaves) {
    const std::string script =
        WriteScript(sample_, "Keep.iss",
                    "[Setup]\nAppName=Keep\nDefaultDirName={pf}\\Keep\nOutputBaseFilename=Keep\n"
                    "[Files]\nSource: ../Designers/Anna/Anna.jpg; DestDir: {app}\\Pictures\n"
                    "[Dirs]\nName: {app}\\Data; Flags: uninsneveruninstall\n");
    const TestInstallReport report = TestInstall(script, TestInstallOptions{});
    EXPECT_TRUE(report.Installed()) << report.Summary();
    EXPECT_EQ(report.uninstallExitCode, 0) << report.Summary();
    EXPECT_FALSE(report.Clean());
    EXPECT_EQ(report.shortcuts.size(), 0u);
    ASSERT_EQ(report.files.size(), 2u) << report.Summary();
    EXPECT_TRUE(report.files[0].ends_with("\\Keep\\Pictures\\Anna.jpg")) << report.files[0];
    EXPECT_TRUE(report.files[1].ends_with("\\Keep\\Uninstall Keep.exe")) << report.files[1];
    // The install folder stays because the kept folder is in it.
    ASSERT_EQ(report.leftovers.size(), 2u) << report.Summary();
    EXPECT_TRUE(report.leftovers[0].ends_with("\\Keep\\")) << report.leftovers[0];
    EXPECT_TRUE(report.leftovers[1].ends_with("\\Keep\\Data\\")) << report.leftovers[1];
    EXPECT_NE(report.Summary().find("uninstall left 2:"), std::string::npos);
    EXPECT_FALSE(fs::exists(sample_.workspace + "/Installations/Keep.exe"));
}

// Values that makensis would read as its own or Inno Setup as constants, typed into Kit
// Binder's fields, come out of the installed setup exactly as typed: in the installed paths, the
// Start-menu folder, the uninstall values, the web-site shortcut and the password that opens the
// setup.
TEST_F(Compil32Wine, TypedValuesInstallAsTyped) {
    ASSERT_EQ(Wine({"reg", "add", "HKLM\\SOFTWARE\\Bobbinwright\\V75", "/reg:32", "/f"}).exitCode,
              0);
    std::vector<TypedFields> cases = DollarFieldCases();
    std::ranges::copy(BraceFieldCases(), std::back_inserter(cases));
    for (const TypedFields& fields : cases) {
        SCOPED_TRACE(fields.designer + " / " + fields.collection + " / " + fields.garment + " / " +
                     fields.version + " / " + fields.website + " / " + fields.password);
        const GeneratedSetup built = BuildGeneratedSetup(fields, "amd64-unicode");
        ASSERT_EQ(built.exitCode, 0) << built.output;
        const RunResult installed =
            Wine({built.setup, "/VERYSILENT", "/PASSWORD=" + fields.password});
        ASSERT_EQ(installed.exitCode, 0) << installed.output;
        const std::string key = UninstallKeyOf(fields);
        const std::string app = RegistryValue("InstallLocation", key);
        ASSERT_FALSE(app.empty());
        const std::string collection =
            "Shared/Designers/" + fields.designer + "/" + fields.collection + "/";
        EXPECT_EQ(ReadBytes(Local(app) + collection + fields.garment + ".mac"),
                  "macro " + fields.garment + "\n");
        EXPECT_EQ(RegistryValue("DisplayName", key), fields.designer + " - " + fields.collection);
        EXPECT_EQ(RegistryValue("DisplayVersion", key), fields.version);
        EXPECT_EQ(RegistryValue("Publisher", key), fields.designer);
        EXPECT_EQ(RegistryValue("URLInfoAbout", key), fields.website);
        const std::string group = "Bobbinwright 7.5/Collections/" + fields.designer;
        EXPECT_TRUE(LinkNames(GroupFile(fields.collection + "/" + fields.garment + ".lnk", group),
                              fields.garment + ".mac"));
        EXPECT_NE(
            ReadBytes(GroupFile("Website " + fields.designer + ".url", group)).find(fields.website),
            std::string::npos);
    }
}

// A password typed with blanks or quotes around it is the setup's password as typed.
TEST_F(Compil32Wine, PasswordWithBlanksOrQuotesOpensTheSetupAsTyped) {
    ASSERT_EQ(Wine({"reg", "add", "HKLM\\SOFTWARE\\Bobbinwright\\V75", "/reg:32", "/f"}).exitCode,
              0);
    const std::pair<std::string, std::string> cases[] = {{" secret ", "Blanks"},
                                                         {"\"secret\"", "Quotes"}};
    for (const auto& [password, collection] : cases) {
        SCOPED_TRACE(password);
        const TypedFields fields{"Anna",         collection, "Coat",    "1.0",
                                 "anna.example", password,   collection};
        const GeneratedSetup built = BuildGeneratedSetup(fields, "amd64-unicode");
        ASSERT_EQ(built.exitCode, 0) << built.output;
        const RunResult trimmed = Wine({built.setup, "/VERYSILENT", "/PASSWORD=secret"});
        EXPECT_EQ(trimmed.exitCode, 2) << trimmed.output;
        EXPECT_EQ(RegistryValue("DisplayName", UninstallKeyOf(fields)), "");
        const RunResult typed = Wine({built.setup, "/VERYSILENT", "/PASSWORD=" + password});
        EXPECT_EQ(typed.exitCode, 0) << typed.output;
        EXPECT_EQ(RegistryValue("DisplayName", UninstallKeyOf(fields)), "Anna - " + collection);
    }
}

// Braces in a designer's name are text: "{win}" gets its own Start-menu folder, not one below
// the Windows folder, and "An{na" gets a setup at all.
TEST_F(Compil32Wine, BracedDesignerNamesKeepTheirStartMenuFolder) {
    ASSERT_EQ(Wine({"reg", "add", "HKLM\\SOFTWARE\\Bobbinwright\\V75", "/reg:32", "/f"}).exitCode,
              0);
    for (const std::string designer : {"{win}", "An{na"}) {
        SCOPED_TRACE(designer);
        const TypedFields fields{designer, "Coats", "Coat", "1.0", "anna.example", "", "Braced"};
        const GeneratedSetup built = BuildGeneratedSetup(fields, "amd64-unicode");
        ASSERT_EQ(built.exitCode, 0) << built.output;
        const RunResult installed = Wine({built.setup, "/VERYSILENT"});
        ASSERT_EQ(installed.exitCode, 0) << installed.output;
        EXPECT_TRUE(LinkNames(
            GroupFile("Coats/Coat.lnk", "Bobbinwright 7.5/Collections/" + designer), "Coat.mac"));
        EXPECT_FALSE(fs::exists(*root_ / "wine/drive_c/windows/Coats"));
    }
}

}  // namespace
}  // namespace compiler::test
