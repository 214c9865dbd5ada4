// kitbinder-cli run as a process on a sample workspace made for each test: what it prints, its
// exit codes, the setups it builds (read back with 7z), and the bad inputs it refuses.
#include <gtest/gtest.h>

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "foundation/each_file.h"
#include "foundation/files.h"
#include "foundation/paths.h"
#include "foundation/platform.h"
#include "setup/script_manifest.h"
#include "setup/setup_script.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_paths.h"
#include "tools/sample_workspace/sample_workspace.h"
#include "workspace/collections.h"
#include "workspace/current_selection.h"
#include "workspace/workspace_paths.h"

namespace kb {
namespace {

namespace fs = std::filesystem;

struct Ran {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// A program's output with its line ends as on Linux: on Windows the standard streams of a
// program end lines with CR LF.
std::string OutputLines(QByteArray output) {
    if (kPathSeparator == '\\')
        output.replace("\r\n", "\n");
    return output.toStdString();
}

Ran RunProgram(const std::string& program, const std::vector<std::string>& arguments,
               const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(),
               const QString& outputFile = {}) {
    QProcess process;
    process.setProcessEnvironment(environment);
    if (!outputFile.isEmpty())
        process.setStandardOutputFile(outputFile);
    QStringList list;
    for (const std::string& argument : arguments)
        list << QString::fromStdString(argument);
    process.start(QString::fromStdString(program), list);
    process.closeWriteChannel();
    if (!process.waitForFinished(180000))
        return {};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            OutputLines(process.readAllStandardOutput()),
            OutputLines(process.readAllStandardError())};
}

std::string ReadAll(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

void Write(const std::string& path, const std::string& text) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

bool OnPath(const std::string& program) {
    return !FindProgram(program).empty();
}

QJsonObject ParseJson(const std::string& text) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(text), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << text;
    return document.object();
}

QJsonArray Strings(std::initializer_list<const char*> texts) {
    QJsonArray array;
    for (const char* text : texts)
        array.append(QString(text));
    return array;
}

class CliTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = MakeSampleWorkspace(temp_.Path());
        InstallStandInCompiler();
    }

    // outputFile: where standard output goes instead of being read.
    Ran Cli(std::vector<std::string> arguments, const QString& outputFile = {}) const {
        arguments.insert(arguments.begin(), {"--workspace", root_});
        return RunProgram(KB_CLI_EXE, arguments, environment_, outputFile);
    }
    std::string At(const std::string& relative) const {
        return root_ + kPathSeparator + test::Native(relative);
    }
    std::string InTemp(const std::string& relative) const { return test::Native(temp_ / relative); }
    // A stand-in installer compiler on the search path of kitbinder-cli, for systems that have
    // none beside it (Windows): the commands get past the compiler's look-up to their own checks,
    // and a build writes a setup holding "setup".
    void InstallStandInCompiler() {
        const std::string bin = temp_ / "bin";
        fs::create_directories(bin);
        fs::copy_file(KB_FAKE_COMPILER, bin + "/Compil32.exe",
                      fs::copy_options::overwrite_existing);
        environment_ = QProcessEnvironment::systemEnvironment();
        environment_.insert("PATH", QString::fromStdString(test::Native(bin)) +
                                        QDir::listSeparator() + environment_.value("PATH"));
        environment_.insert("KB_TEST_BIN", QString::fromStdString(test::Native(bin)));
    }
    // The sample's one missing required file, written.
    void MendSample() const {
        Write(At("Designers/Anna/Coats/") + kSampleMissingFile,
              ReadAll(At("Designers/Anna/Coats/Duffle.jpg")));
    }
    std::vector<std::string> Installations() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(At("Installations")))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    // The paths inside a setup, as 7z lists them.
    static std::vector<std::string> SetupPaths(const std::string& setup) {
        const Ran listing = RunProgram("7z", {"l", "-slt", setup});
        EXPECT_EQ(listing.exitCode, 0) << listing.out;
        std::vector<std::string> paths;
        std::istringstream lines(listing.out);
        for (std::string line; std::getline(lines, line);)
            if (line.starts_with("Path = ") && line != "Path = " + setup)
                paths.push_back(line.substr(7));
        return paths;
    }
    static bool CanBuildSetups() { return OnPath("makensis") && OnPath("7z"); }
    // Where kitbinder-cli has no compiler beside it, the stand-in builds the setups.
    static bool StandInBuildsSetups() { return kPathSeparator == '\\'; }

    test::TempFolder temp_;
    std::string root_;
    QProcessEnvironment environment_;
};

TEST_F(CliTest, ListShowsDesignersCollectionsAndGarments) {
    const Ran text = Cli({"list"});
    EXPECT_EQ(text.exitCode, 0) << text.err;
    EXPECT_EQ(text.out, "Anna\n  Coats\n    Duffle\n    Trench\n  Dresses\n    Sheath\n");
    EXPECT_EQ(text.err, "");

    const Ran json = Cli({"list", "--json"});
    EXPECT_EQ(json.exitCode, 0) << json.err;
    const auto path = [this](const std::string& relative) {
        return QString::fromStdString(At(relative));
    };
    const QJsonObject expected{
        {"schema", 1},
        {"workspace", QString::fromStdString(root_)},
        {"designers",
         QJsonArray{QJsonObject{
             {"name", "Anna"},
             {"path", path("Designers/Anna")},
             {"collections", QJsonArray{QJsonObject{{"name", "Coats"},
                                                    {"path", path("Designers/Anna/Coats")},
                                                    {"garments", Strings({"Duffle", "Trench"})}},
                                        QJsonObject{{"name", "Dresses"},
                                                    {"path", path("Designers/Anna/Dresses")},
                                                    {"garments", Strings({"Sheath"})}}}}}}}};
    EXPECT_EQ(ParseJson(json.out), expected);
}

TEST_F(CliTest, CheckExitCodesFollowTheMissingFiles) {
    struct Case {
        const char* what;
        std::function<void()> change;
        std::vector<std::string> arguments;
        int exitCode;
        std::string inOut;  // a text the results name
        std::string inErr;
    };
    const std::string table = At("MeasureTables/Women.mmt");
    const std::vector<Case> cases = {
        {"a required picture missing",
         nullptr,
         {"check", "Anna", "Coats"},
         1,
         kSampleMissingFile,
         ""},
        {"only optional documents missing",
         nullptr,
         {"check", "Anna", "Dresses"},
         0,
         "Dresses.pdf (optional)",
         ""},
        {"all collections, one with a missing file",
         nullptr,
         {"check"},
         1,
         "Anna/Dresses: 0 missing",
         ""},
        {"a designer's collections, mended",
         [this] { MendSample(); },
         {"check", "Anna"},
         0,
         "Anna/Coats: 0 missing",
         ""},
        {"a picture name leading outside the workspace",
         [&] {
             std::ofstream(At("Designers/Anna/Dresses/Sheath.mac"), std::ios::app)
                 << "add_pict_item(1, \"../../../../../../../../../../../../../../tmp/x\");\n";
         },
         {"check", "Anna", "Dresses"},
         1,
         "not looked up: Sheath.mac line ",
         ""},
        {"a malformed table",
         [&] { Write(table, "Women\tcm\t1\nBust\tbig\tBust girth\tbust\n"); },
         {"check", "Anna", "Dresses"},
         2,
         "",
         table},
    };
    for (const Case& c : cases) {
        SetUp();
        if (c.change)
            c.change();
        const Ran run = Cli(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.what << "\n" << run.out << run.err;
        EXPECT_NE(run.out.find(c.inOut), std::string::npos) << c.what << "\n" << run.out;
        EXPECT_NE(run.err.find(c.inErr), std::string::npos) << c.what << "\n" << run.err;
        if (c.exitCode != 2) {
            EXPECT_NE(run.out.find("tables: Women\n"), std::string::npos) << c.what;
        }
    }
}

TEST_F(CliTest, CheckJsonGroupsTheMissingFilesByItem) {
    const Ran run = Cli({"check", "--json", "Anna", "Coats"});
    EXPECT_EQ(run.exitCode, 1) << run.err;
    const QJsonObject result = ParseJson(run.out);
    EXPECT_EQ(result["workspace"].toString().toStdString(), root_);
    const QJsonArray collections = result["collections"].toArray();
    ASSERT_EQ(collections.size(), 1);
    const QJsonObject coats = collections[0].toObject();
    EXPECT_EQ(coats["designer"], "Anna");
    EXPECT_EQ(coats["collection"], "Coats");
    EXPECT_EQ(coats["missingRequired"], 1);
    EXPECT_EQ(coats["missingOptional"], 9);
    EXPECT_EQ(result["schema"], 1);
    EXPECT_EQ(coats["tables"], Strings({"Women"}));
    QJsonObject duffle;
    for (const QJsonValue group : coats["missing"].toArray()) {
        EXPECT_TRUE(group["kind"].isString() && group["name"].isString() &&
                    group["path"].isString() && group.toObject().contains("origin"))
            << run.out;
        if (group["kind"] == "garment" && group["name"] == "Duffle")
            duffle = group.toObject();
    }
    EXPECT_EQ(duffle["path"].toString().toStdString(), At("Designers/Anna/Coats/Duffle.mac"));
    EXPECT_TRUE(duffle["origin"].isNull());
    const QJsonObject hood{
        {"name", kSampleMissingFile},
        {"path", QString::fromStdString(At("Designers/Anna/Coats/") + kSampleMissingFile)},
        {"optional", false}};
    EXPECT_TRUE(duffle["files"].toArray().contains(hood)) << run.out;
}

// A name that was not looked up is an entry of its own fields, as the missing files are.
TEST_F(CliTest, CheckJsonListsRefusedNamesByField) {
    const std::string macro = At("Designers/Anna/Dresses/Sheath.mac");
    std::ofstream(macro, std::ios::app) << "add_pict_item(1, \"../../../../../../../../tmp/x\");\n";
    const Ran run = Cli({"check", "--json", "Anna", "Dresses"});
    EXPECT_EQ(run.exitCode, 1) << run.err;
    const QJsonArray collections = ParseJson(run.out)["collections"].toArray();
    ASSERT_EQ(collections.size(), 1);
    const QJsonArray refused = collections[0]["refused"].toArray();
    ASSERT_EQ(refused.size(), 1) << run.out;
    const QJsonObject name = refused[0].toObject();
    EXPECT_EQ(name["name"], "../../../../../../../../tmp/x");
    EXPECT_EQ(name["path"].toString().toStdString(), macro);
    EXPECT_GT(name["line"].toInt(), 0);
    EXPECT_EQ(name["outside"], true);
    EXPECT_FALSE(name["reason"].toString().isEmpty());
}

TEST_F(CliTest, CheckJsonNamesTheCollectionThatCouldNotBeChecked) {
    Write(At("MeasureTables/Women.mmt"), "Women\tcm\t1\nBust\tbig\tBust girth\tbust\n");
    const Ran run = Cli({"check", "--json", "Anna"});
    EXPECT_EQ(run.exitCode, 2);
    const QJsonArray collections = ParseJson(run.out)["collections"].toArray();
    ASSERT_EQ(collections.size(), 2);
    for (const QJsonValue collection : collections)
        EXPECT_TRUE(collection["error"].toString().contains("Women.mmt")) << run.out;
}

TEST_F(CliTest, BuildWritesTheScriptAndSetupCreateSetupWrites) {
    if (!CanBuildSetups())
        GTEST_SKIP() << "makensis or 7z is missing";
    const Ran run = Cli({"build", "Anna", "Dresses"});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    const std::string setup = At("Installations/Dresses.exe");
    EXPECT_NE(run.out.find("Anna/Dresses: built " + setup), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find('\r'), std::string::npos) << "progress rewrote a line in a pipe";

    // The script is the one the window's setup builder writes for the same collection.
    SetWorkspaceFolder(root_);
    SetCurrentSelection(SelectionOf("Anna", "Dresses", 0));
    KitbinderData data = ReadItemSettings(CurrentDesignerFolder(), CurrentCollectionFolder());
    const std::string script =
        BuildSetupScript(data, MakeScanInputs(GarmentNames(CurrentCollectionFolder())), "Dresses");
    SetWorkspaceFolder("");
    EXPECT_EQ(ReadAll(At("Installations/Dresses.iss")), script);

    // The compiler's manifest beside the setup checks it.
    const Ran checked =
        RunProgram("sh", {"-c", "cd \"$0\" && sha256sum -c --ignore-missing Dresses.exe.sha256",
                          At("Installations")});
    EXPECT_EQ(checked.exitCode, 0) << checked.out << checked.err;
    EXPECT_NE(checked.out.find("Dresses.exe: OK"), std::string::npos) << checked.out;
    // Kit Binder's own manifest of the setup, from its script, is the compiler's byte for byte.
    const std::string compilers = ReadAll(setup + ".sha256");
    WriteSetupManifest(setup, ScriptFiles(script), At("Installations"));
    EXPECT_EQ(ReadAll(setup + ".sha256"), compilers);

    const std::vector<std::string> paths = SetupPaths(setup);
    for (const char* installed : {"Designers/Anna/Dresses/Sheath.mac", "MeasureTables/Women.mmt"})
        EXPECT_NE(std::find(paths.begin(), paths.end(),
                            std::string("$PROGRAMFILES/Bobbinwright Software/Shared/") + installed),
                  paths.end())
            << installed;
}

TEST_F(CliTest, BuildAllBuildsEveryCollection) {
    if (!CanBuildSetups())
        GTEST_SKIP() << "makensis or 7z is missing";
    MendSample();
    const Ran run = Cli({"build", "--all"});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_EQ(Installations(),
              (std::vector<std::string>{"Coats.exe", "Coats.exe.sha256", "Coats.iss", "Dresses.exe",
                                        "Dresses.exe.sha256", "Dresses.iss"}));
    EXPECT_LT(run.out.find("Anna/Coats: built"), run.out.find("Anna/Dresses: built")) << run.out;
    const std::vector<std::string> paths = SetupPaths(At("Installations/Coats.exe"));
    EXPECT_NE(
        std::find(paths.begin(), paths.end(),
                  std::string("$PROGRAMFILES/Bobbinwright Software/Shared/Designers/Anna/Coats/") +
                      kSampleMissingFile),
        paths.end());
}

TEST_F(CliTest, BuildToAChosenSetupAndScriptOnly) {
    if (!CanBuildSetups() && !StandInBuildsSetups())
        GTEST_SKIP() << "makensis or 7z is missing";
    const std::string chosen = temp_ / "out/Summer Dresses.exe";
    fs::create_directories(temp_ / "out");
    Ran run = Cli({"build", "Anna", "Dresses", "-o", chosen});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(fs::exists(chosen));
    EXPECT_TRUE(fs::exists(temp_ / "out/Summer Dresses.iss"));

    run = Cli({"build", "--script-only", "Anna", "Dresses"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Installations(), std::vector<std::string>{"Dresses.iss"});
}

TEST_F(CliTest, ABuildTheChecksStopWritesNothing) {
    const Ran run = Cli({"build", "Anna", "Coats"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find(std::string("Error: garment Duffle: file missing: ") +
                           At("Designers/Anna/Coats/") + kSampleMissingFile),
              std::string::npos)
        << run.err;
    EXPECT_EQ(Installations(), std::vector<std::string>{});
}

// A build that fails (here makensis, which the compiler runs) leaves the last good script, setup
// and manifest byte for byte; the next build that succeeds replaces all three.
TEST_F(CliTest, AFailedBuildKeepsTheLastGoodSetup) {
    if (!CanBuildSetups() || StandInBuildsSetups())
        GTEST_SKIP() << "makensis or 7z is missing";
    ASSERT_EQ(Cli({"build", "Anna", "Dresses"}).exitCode, 0);
    const std::vector<std::string> files = {"Dresses.iss", "Dresses.exe", "Dresses.exe.sha256"};
    const auto contents = [&] {
        std::vector<std::string> texts;
        for (const std::string& file : files)
            texts.push_back(ReadAll(At("Installations/" + file)));
        return texts;
    };
    const std::vector<std::string> good = contents();
    Write(At("Designers/Anna/Dresses/Wrap.mac"), "draw_line(0, 0);\n");
    Write(At("Designers/Anna/Dresses/Wrap.jpg"), ReadAll(At("Designers/Anna/Dresses/Sheath.jpg")));
    const std::string makensis = temp_ / "bin/makensis";
    Write(makensis, "#!/bin/sh\necho 'makensis: out of disk'\nexit 1\n");
    fs::permissions(makensis, fs::perms::owner_all);
    const Ran failed = Cli({"build", "Anna", "Dresses"});
    EXPECT_EQ(failed.exitCode, 1) << failed.out << failed.err;
    EXPECT_NE(failed.out.find("is unchanged"), std::string::npos) << failed.out;
    EXPECT_EQ(contents(), good);
    // Nothing part-written is left beside them.
    EXPECT_EQ(Installations(),
              (std::vector<std::string>{"Dresses.exe", "Dresses.exe.sha256", "Dresses.iss"}));

    fs::remove(makensis);
    ASSERT_EQ(Cli({"build", "Anna", "Dresses"}).exitCode, 0);
    const std::vector<std::string> rebuilt = contents();
    for (size_t i = 0; i < files.size(); ++i)
        EXPECT_NE(rebuilt[i], good[i]) << files[i];
}

// Missing required files stop a build unless --allow-missing says to build without them; they
// are listed either way, and other errors still stop it.
TEST_F(CliTest, AllowMissingBuildsWithoutTheMissingFiles) {
    const std::string missing = std::string("Error: garment Duffle: file missing: ") +
                                At("Designers/Anna/Coats/") + kSampleMissingFile;
    Ran run = Cli({"build", "--script-only", "Anna", "Coats"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(Installations(), std::vector<std::string>{});
    run = Cli({"build", "--script-only", "--allow-missing", "Anna", "Coats"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find(missing), std::string::npos) << run.err;
    EXPECT_EQ(Installations(), std::vector<std::string>{"Coats.iss"});
    EXPECT_EQ(ReadAll(At("Installations/Coats.iss")).find(kSampleMissingFile), std::string::npos);
    if (CanBuildSetups() || StandInBuildsSetups()) {
        run = Cli({"build", "--allow-missing", "Anna", "Coats"});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_TRUE(fs::exists(At("Installations/Coats.exe")));
    }
    // A garment Windows cannot hold stops the build even so.
    Write(At("Designers/Anna/Coats/COM1.mac"), "draw_line(0, 0);\n");
    if (!fs::exists(At("Designers/Anna/Coats/COM1.mac")))
        return;  // Windows itself refuses the name
    run = Cli({"build", "--script-only", "--allow-missing", "Anna", "Coats"});
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_NE(run.err.find("cannot be used on Windows"), std::string::npos) << run.err;
}

TEST_F(CliTest, BadInputIsRefusedAndNothingIsWritten) {
    Write(temp_ / "a file", "not a folder");
    struct Case {
        std::vector<std::string> arguments;
        std::string inErr;
    };
    const std::vector<Case> cases = {
        {{"build", "Bob", "Coats"},
         "no designer \"Bob\" in " + At("Designers") + "; the designers there: Anna"},
        {{"check", "Anna", "Hats"},
         "no collection \"Hats\" in " + At("Designers/Anna") +
             "; the collections there: Coats, Dresses"},
        {{"build", "Anna", "..", "--script-only"}, "no collection \"..\""},
        {{"build", "Anna", "Dresses", "-o", temp_ / "missing/Setup.exe"}, "no such folder"},
        {{"build", "Anna", "Dresses", "-o", temp_ / "a file/Setup.exe"}, "no such folder"},
        {{"build", "Anna", "Dresses", "-o", temp_ / "CON.exe"}, "cannot be a setup's file name"},
        {{"build", "Anna", "Dresses", "-o", temp_ / "a|b.exe"}, "cannot be a setup's file name"},
        {{"build", "Anna", "Dresses", "-o", temp_ / "..exe"}, "needs a file name"},
        {{"build", "--all", "Anna"}, "build --all takes no names"},
        {{"build", "Anna"}, "build needs a designer and a collection"},
        {{"list", "--script-only"}, "work with build only"},
        {{"check", "--allow-missing"}, "work with build only"},
        {{"build", "--json", "Anna", "Dresses"}, "--json works with list and check only"},
        {{"frobnicate"}, "unknown command \"frobnicate\""},
        {{"check", "--colour"}, "Unknown option 'colour'"},
        {{}, "no command given"},
    };
    for (const Case& c : cases) {
        const Ran run = Cli(c.arguments);
        const std::string what = c.arguments.empty() ? "(none)" : c.arguments.back();
        EXPECT_EQ(run.exitCode, 2) << what;
        EXPECT_EQ(run.out, "") << what;
        EXPECT_NE(run.err.find(c.inErr), std::string::npos) << what << "\n" << run.err;
        EXPECT_EQ(Installations(), std::vector<std::string>{}) << what;
    }

    const Ran noWorkspace = RunProgram(KB_CLI_EXE, {"list", "--workspace", temp_ / "nowhere"});
    EXPECT_EQ(noWorkspace.exitCode, 2);
    EXPECT_NE(noWorkspace.err.find("no workspace at " + InTemp("nowhere")), std::string::npos)
        << noWorkspace.err;
}

TEST_F(CliTest, AnUnwritableOutputFolderIsRefused) {
    fs::create_directories(temp_ / "locked");
    fs::permissions(temp_ / "locked", fs::perms::owner_read | fs::perms::owner_exec);
    if (FolderWritable(temp_ / "locked")) {
        fs::permissions(temp_ / "locked", fs::perms::owner_all);
        GTEST_SKIP() << "permissions do not lock a folder for this user (root, or Windows)";
    }
    const Ran run = Cli({"build", "Anna", "Dresses", "-o", temp_ / "locked/Dresses.exe"});
    fs::permissions(temp_ / "locked", fs::perms::owner_all);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("the folder is not writable"), std::string::npos) << run.err;
    EXPECT_EQ(Installations(), std::vector<std::string>{});
}

TEST_F(CliTest, AnUnreadableCollectionFolderIsAnError) {
    const std::string folder = At("Designers/Anna/Dresses");
    fs::permissions(folder, fs::perms::none);
    if (FolderListingProblem(folder).empty()) {
        fs::permissions(folder, fs::perms::owner_all);
        GTEST_SKIP() << "permissions do not lock a folder for this user (root, or Windows)";
    }
    const Ran run = Cli({"check", "Anna", "Dresses"});
    fs::permissions(folder, fs::perms::owner_all);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("cannot read the folder " + folder), std::string::npos) << run.err;
}

// Results that cannot be written are an error, whatever the command: scripts must not take a
// full disk for success.
TEST_F(CliTest, EveryCommandFailsWhenItsResultsCannotBeWritten) {
    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full on this system";
    const std::vector<std::vector<std::string>> commands = {
        {"list"},
        {"list", "--json"},
        {"check"},
        {"check", "--json"},
        {"check", "Anna", "Dresses"},
        {"build", "Anna", "Dresses", "--script-only"},
        {"build", "--all", "--script-only"},
        {"help"},
        {"--help"},
        {"--version"},
    };
    for (const std::vector<std::string>& command : commands) {
        std::string what;
        for (const std::string& word : command)
            what += word + " ";
        const Ran run = Cli(command, "/dev/full");
        EXPECT_EQ(run.exitCode, 2) << what << "\n" << run.err;
        EXPECT_NE(run.err.find("cannot write to standard output"), std::string::npos)
            << what << "\n"
            << run.err;
    }
}

// A build's results are its outcome lines alone; its steps and the checks' warnings are
// diagnostics, so that "build --all > results.txt" holds nothing else.
TEST_F(CliTest, BuildResultsGoToStandardOutputAndProgressToStandardError) {
    const Ran run = Cli({"build", "--all", "--script-only"});
    EXPECT_EQ(run.exitCode, 1) << run.err;  // Coats misses a required picture
    EXPECT_EQ(run.out,
              "Anna/Coats: nothing was compiled: the checks found errors\n"
              "Anna/Dresses: script written: " +
                  At("Installations/Dresses.iss") + "\n");
    EXPECT_NE(run.err.find("Anna/Dresses: Checking the collection..."), std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("Error: garment Duffle: file missing"), std::string::npos) << run.err;
}

// Only ".exe" is taken off a chosen setup's name.
TEST_F(CliTest, AChosenSetupNameKeepsItsDots) {
    fs::create_directories(temp_ / "out");
    const Ran run =
        Cli({"build", "Anna", "Dresses", "--script-only", "-o", temp_ / "out/Coats-1.5"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(fs::exists(temp_ / "out/Coats-1.5.iss"));
    EXPECT_FALSE(fs::exists(temp_ / "out/Coats-1.iss"));
}

// With --json, errors are JSON objects on standard error, and standard output stays empty.
TEST_F(CliTest, JsonErrorsAreJsonOnStandardError) {
    struct Case {
        std::vector<std::string> arguments;
        const char* inError;
    };
    const std::vector<Case> cases = {
        {{"check", "--json", "Bob"}, "no designer \"Bob\""},
        {{"list", "--json", "Anna"}, "list takes no names"},
        {{"check", "--json", "--colour"}, "Unknown option 'colour'"},
    };
    for (const Case& c : cases) {
        const Ran run = Cli(c.arguments);
        EXPECT_EQ(run.exitCode, 2) << c.inError;
        EXPECT_EQ(run.out, "") << c.inError;
        const QJsonObject error = ParseJson(run.err);
        EXPECT_EQ(error["schema"], 1) << run.err;
        EXPECT_TRUE(error["error"].toString().contains(c.inError)) << run.err;
    }
}

// A folder that cannot be listed is an error for every command, not an empty folder.
TEST_F(CliTest, AnUnreadableFolderIsAnErrorForEveryCommand) {
    const std::string folder = At("Designers/Anna/Coats");
    fs::permissions(folder, fs::perms::none);
    if (FolderListingProblem(folder).empty()) {
        fs::permissions(folder, fs::perms::owner_all);
        GTEST_SKIP() << "permissions do not lock a folder for this user (root, or Windows)";
    }
    for (const std::vector<std::string>& command : std::vector<std::vector<std::string>>{
             {"list"}, {"check", "Anna"}, {"build", "Anna", "Coats", "--script-only"}}) {
        const Ran run = Cli(command);
        EXPECT_EQ(run.exitCode, 2) << command[0];
        EXPECT_NE(run.err.find("cannot read the folder " + folder), std::string::npos)
            << command[0] << "\n"
            << run.err;
    }
    fs::permissions(folder, fs::perms::owner_all);
}

// A macro that cannot be read, or that is a pipe (which would keep the check waiting for a
// writer), is an error naming it, not a macro that names nothing.
TEST_F(CliTest, AnUnreadableMacroIsAnError) {
    const std::string macro = At("Designers/Anna/Dresses/Sheath.mac");
    fs::permissions(macro, fs::perms::none);
    if (!std::ifstream(macro).good()) {
        const Ran run = Cli({"check", "Anna", "Dresses"});
        EXPECT_EQ(run.exitCode, 2) << run.out;
        EXPECT_NE(run.err.find(macro), std::string::npos) << run.err;
    }  // otherwise permissions do not lock a file for this user (root, or Windows)
    // Windows reads "no permissions" as read-only, which also stops the remove.
    fs::permissions(macro, fs::perms::owner_all);
    fs::remove(macro);
    if (!OnPath("mkfifo"))
        GTEST_SKIP() << "no mkfifo to make a pipe";
    ASSERT_EQ(RunProgram("mkfifo", {macro}).exitCode, 0);
    const Ran run = Cli({"check", "Anna", "Dresses"});
    EXPECT_EQ(run.exitCode, 2) << run.out;
    EXPECT_NE(run.err.find(macro), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("not a regular file"), std::string::npos) << run.err;
}

TEST_F(CliTest, HelpAndVersion) {
    const Ran help = RunProgram(KB_CLI_EXE, {"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.starts_with("Usage: kitbinder-cli")) << help.out;
    EXPECT_NE(help.out.find("--allow-missing"), std::string::npos) << help.out;
    const Ran version = RunProgram(KB_CLI_EXE, {"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(version.out.starts_with("kitbinder-cli ")) << version.out;
}

}  // namespace
}  // namespace kb
