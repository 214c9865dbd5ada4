// Create Setup with a stand-in installer compiler, and the view of the setups folder.
#include <QByteArray>
#include <QDir>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "app/logic/about_texts.h"
#include "foundation/digest.h"
#include "foundation/each_file.h"
#include "foundation/files.h"
#include "foundation/paths.h"
#include "tests/app_logic/main_form_fixture.h"
#include "tests/support/test_paths.h"

namespace kb::test {
namespace {

// What the stand-in compiler (fake_compiler.cpp) does.
const char kWorkingCompiler[] = "working";
const char kFailingCompiler[] = "failing";
// Names two files as it adds them, then writes the setup.
const char kCompilerNamingFiles[] = "naming-files";
// Fails on the script line that installs the garment's picture, naming it as Compil32 does.
const char kCompilerFailingOnAGarmentLine[] = "garment-line";
// Builds setups, and answers /testinstall with a report and the exit code of KB_TEST_EXIT,
// recording its arguments.
const char kCompilerWithTestInstall[] = "test-install";
// Writes the setup and no manifest, as the Inno Setup compiler does.
const char kCompilerWithoutManifest[] = "no-manifest";

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

void SetEnvironment(const char* name, const std::string& value) {
    qputenv(name, QByteArray::fromStdString(value));
}

class CreateSetupTest : public MainFormTest {
  protected:
    void SetUp() override {
        MainFormTest::SetUp();
        const char* path = std::getenv("PATH");
        savedPath_ = path ? path : "";
        bin_ = temp + "/bin";
        EnsureFolder(bin_);
        SetEnvironment("PATH", bin_ + QDir::listSeparator().toLatin1() + savedPath_);
        SetEnvironment("KB_TEST_BIN", bin_);
        Write("Designers/Anna/Coats/Coat.mac", "draw_line(0, 0);\n");
        Write("Designers/Coat.mac", "draw_line(0, 0);\n");
        // The pictures of designer, collection and garment: a missing one stops the build.
        for (const char* picture : {"Designers/Anna/Anna.jpg", "Designers/Anna/Coats/Coats.jpg",
                                    "Designers/Anna/Coats/Coat.jpg"})
            Write(picture, "\xFF\xD8picture");
    }
    void TearDown() override {
        SetEnvironment("PATH", savedPath_);
        qunsetenv("KB_TEST_BIN");
        MainFormTest::TearDown();
    }
    // The stand-in compiler on PATH, doing what mode says.
    void InstallCompiler(const char* mode) {
        std::filesystem::copy_file(KB_FAKE_COMPILER, bin_ + "/Compil32.exe",
                                   std::filesystem::copy_options::overwrite_existing);
        WriteTextFile(bin_ + "/mode.txt", mode);
    }
    void CreateSetup(const std::string& chosen) {
        ui.picks = {chosen};
        Form().MacroNextButtonClick();
    }
    // Starts a rebuild of Coats over the setup already there, its compiler held running.
    void StartHeldRebuild() {
        Start();
        ui.holdPrograms = true;
        ui.answers = {MessageAnswer::Yes};
        CreateSetup(At("Installations/Coats.exe"));
    }

    std::string bin_;

  private:
    std::string savedPath_;
};

TEST_F(CreateSetupTest, WritesTheScriptCompilesItAndOpensTheSetup) {
    InstallCompiler(kWorkingCompiler);
    TMainForm& form = Start();
    GoTo(Tab::Create);
    Write("Installations/Coats.iss", "stale script");
    Model().CollectionVersionEdit.text = "3.0";
    CreateSetup(At("Installations/Coats.exe"));

    ASSERT_EQ(ui.choosers.size(), 1u);
    EXPECT_EQ(ui.choosers[0].name, "SaveDialog1");
    EXPECT_TRUE(ui.choosers[0].save);
    EXPECT_EQ(ui.choosers[0].fileName, "Coats");
    EXPECT_EQ(ui.choosers[0].folder, At("Installations"));
    EXPECT_EQ(ui.choosers[0].defaultExtension, "exe");
    EXPECT_EQ(Read("Designers/Anna/Coats/CollectionVersion.txt"), "3.0");
    std::string script = Read("Installations/Coats.iss");
    EXPECT_NE(script.find("3.0"), std::string::npos);
    EXPECT_EQ(script.find("stale script"), std::string::npos);

    ASSERT_EQ(ui.started.size(), 1u);
    EXPECT_EQ(ui.started[0].program, "Compil32.exe");
    // The compiler works on a new script, which replaces the old one once the setup is built.
    EXPECT_EQ(ui.started[0].arguments,
              (std::vector<std::string>{"/cc", At("Installations/Coats.iss.part")}));
    EXPECT_EQ(ui.started[0].workingFolder, form.StartDirectory);
    EXPECT_FALSE(ui.started[0].wait);
    const std::vector<std::string> recorded = SplitLines(ReadTextFile(bin_ + "/args.txt"));
    ASSERT_EQ(recorded.size(), 3u);
    EXPECT_EQ(recorded[0], "/cc");
    EXPECT_EQ(recorded[1], At("Installations/Coats.iss.part"));
    EXPECT_FALSE(Exists("Installations/Coats.iss.part"));
    EXPECT_EQ(NormalizePath(recorded[2]), NormalizePath(form.StartDirectory));
    EXPECT_EQ(Read("Installations/Coats.exe"), "setup");
    EXPECT_EQ(ui.opened, std::vector<std::string>{At("Installations/Coats.exe")});
    EXPECT_EQ(ui.events, (std::vector<std::string>{"busy", "normal"}));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(CreateSetupTest, TheScriptGoesBesideASetupChosenElsewhere) {
    InstallCompiler(kWorkingCompiler);
    TMainForm& form = Start();
    const std::string chosen = Native(temp + "/out/My Setup.exe");
    EnsureFolder(temp + "/out");
    CreateSetup(chosen);
    EXPECT_TRUE(FileExists(temp + "/out/My Setup.iss"));
    EXPECT_FALSE(Exists("Installations/My Setup.iss"));
    EXPECT_EQ(ReadTextFile(temp + "/out/My Setup.exe"), "setup");
    EXPECT_EQ(ui.opened, std::vector<std::string>{chosen});
    EXPECT_EQ(Model().SaveDialog1.folder, Native(temp + "/out"));
    form.ShowExplorerButtonClick();
    EXPECT_EQ(ui.opened.back(), At("Installations"));
}

// The previous script, setup and manifest, to be found unchanged after a build that wrote none.
class PreviousSetup {
  public:
    explicit PreviousSetup(std::string installations) : folder_(std::move(installations)) {
        for (const auto& [file, text] : kFiles)
            WriteTextFile(folder_ + "/" + file, text);
    }
    void ExpectUnchanged(const std::string& context) const {
        for (const auto& [file, text] : kFiles)
            EXPECT_EQ(ReadTextFile(folder_ + "/" + file), text) << file << ", " << context;
        EXPECT_FALSE(FileExists(folder_ + "/Coats.iss.part")) << context;
    }

  private:
    static constexpr std::pair<const char*, const char*> kFiles[] = {
        {"Coats.iss", "old script"},
        {"Coats.exe", "old setup"},
        {"Coats.exe.sha256", "old manifest"}};
    std::string folder_;
};

TEST_F(CreateSetupTest, AFailedBuildKeepsThePreviousScriptSetupAndManifest) {
    struct Case {
        const char* compiler;  // nullptr: none on PATH
        std::string expected;
    };
    for (const Case& c :
         {Case{kFailingCompiler, "boom: unknown section"}, Case{nullptr, "could not be started"}}) {
        DeleteFile(bin_ + "/Compil32.exe");
        if (c.compiler)
            InstallCompiler(c.compiler);
        else
            SetEnvironment("PATH", bin_);
        const PreviousSetup previous(At("Installations"));
        ui = FakeUserInterface();
        ui.answers = {MessageAnswer::Yes};  // replace the old setup
        Start();
        CreateSetup(At("Installations/Coats.exe"));
        ASSERT_EQ(ui.messages.size(), 2u) << c.expected;
        EXPECT_NE(ui.messages[1].text.find(c.expected), std::string::npos) << ui.messages[1].text;
        EXPECT_EQ(ui.messages[1].icon, MessageIcon::Error);
        EXPECT_TRUE(ui.opened.empty()) << c.expected;
        previous.ExpectUnchanged(c.expected);
        EXPECT_TRUE(ui.buildEvents.back().starts_with("failed ")) << ui.buildEvents.back();
    }
    EXPECT_NE(ui.buildEvents.back().find("could not be started"), std::string::npos);
    InstallCompiler(kFailingCompiler);
    SetEnvironment("PATH", bin_);
    ui = FakeUserInterface();
    ui.answers = {MessageAnswer::Yes};
    Start();
    CreateSetup(At("Installations/Coats.exe"));
    EXPECT_EQ(ui.buildEvents.back(),
              "failed The installer compiler failed (exit code 2). The "
              "previous setup " +
                  At("Installations/Coats.exe") + " is unchanged.");
}

TEST_F(CreateSetupTest, CancellingTheDialogDoesNothing) {
    InstallCompiler(kWorkingCompiler);
    TMainForm& form = Start();
    form.CreateSetupClick();
    EXPECT_TRUE(ui.started.empty());
    EXPECT_FALSE(Exists("Installations/Coats.iss"));
    EXPECT_TRUE(ui.events.empty());
}

// A chosen name that is only an extension has no setup name: refused before anything is
// deleted or written (the script would otherwise be the folder's name beside the folder).
TEST_F(CreateSetupTest, ANameWithoutBaseIsRefused) {
    InstallCompiler(kWorkingCompiler);
    Write("Installations.iss", "not ours");
    Write("Installations/..iss", "not ours either");
    Start();
    for (const char* name : {".exe", "..exe", " .exe"}) {
        ui.messages.clear();
        CreateSetup(At("Installations/") + name);
        ASSERT_EQ(ui.messages.size(), 1u) << name;
        EXPECT_NE(ui.messages[0].text.find("needs a file name"), std::string::npos) << name;
    }
    EXPECT_EQ(Read("Installations.iss"), "not ours");
    EXPECT_EQ(Read("Installations/..iss"), "not ours either");
    EXPECT_TRUE(ui.started.empty());
}

// Without a designer or a collection the command says so before any dialog opens.
TEST_F(CreateSetupTest, WithoutDesignerOrCollectionNothingOpens) {
    InstallCompiler(kWorkingCompiler);
    for (const char* folder : {"", "Designers/Anna", "Designers/Anna/Coats", "deleted"}) {
        DeleteFolderTree(At("Designers"));
        const std::string what = folder;
        MakeFolder(what == "deleted" ? "Designers/Anna/Coats" : what);
        ui = FakeUserInterface();
        Start();
        if (what == "Designers/Anna/Coats")
            TypeCollection("Hats");  // a name being typed: no collection selected
        if (what == "deleted") {     // the last designer deleted: the selection stays as it was
            ui.answers = {MessageAnswer::Yes};
            Form().DeleteDesignerButtonClick();
            ui.messages.clear();
        }
        Form().CreateSetupClick();
        ASSERT_EQ(ui.MessageTexts(),
                  std::vector<std::string>{"Choose a designer and a collection first: the setup "
                                           "is built for the selected collection."})
            << folder;
        EXPECT_TRUE(ui.choosers.empty()) << folder;
    }
}

// When the desktop cannot open the setup, the setups folder or the help file, the person is told
// which file or folder it was.
TEST_F(CreateSetupTest, WhatCannotBeOpenedIsNamed) {
    InstallCompiler(kWorkingCompiler);
    TMainForm& form = Start();
    ui.canOpen = false;
    CreateSetup(At("Installations/Coats.exe"));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].text.find(At("Installations/Coats.exe")), std::string::npos);
    EXPECT_NE(ui.messages[0].text.find("folder \"" + At("Installations") + "\""),
              std::string::npos);

    form.ShowExplorerButtonClick();
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_NE(ui.messages[1].text.find(At("Installations")), std::string::npos);

    std::string working = form.StartDirectory;
    ASSERT_EQ(chdir(temp.c_str()), 0);
    form.Help2Click();  // no help file
    WriteTextFile(temp + "/KBinder.chm", "help");
    form.Help2Click();  // no program for it
    ASSERT_EQ(chdir(working.c_str()), 0);
    ASSERT_EQ(ui.messages.size(), 4u);
    const std::string help = Native(temp + "/KBinder.chm");
    EXPECT_NE(ui.messages[2].text.find(help + "\" was not found"), std::string::npos);
    EXPECT_NE(ui.messages[3].text.find(help + "\" could not be opened"), std::string::npos);
}

TEST_F(CreateSetupTest, TheBuildWindowShowsStepsLogAndOutcome) {
    InstallCompiler(kWorkingCompiler);
    Start();
    CreateSetup(At("Installations/Coats.exe"));
    EXPECT_EQ(ui.buildEvents,
              (std::vector<std::string>{
                  "build window", "step Checking the collection...",
                  "step Writing the installer script...", "step Compiling the setup...",
                  "progress 0/0", "progress 0/4", "progress 4/4", "step Done",
                  "succeeded The setup " + At("Installations/Coats.exe") +
                      " was built. Its manifest (SHA-256 of the setup and of every installed "
                      "file) is " +
                      At("Installations/Coats.exe") + ".sha256."}));
    // The warnings of the checks lead the log.
    EXPECT_TRUE(ui.buildLog.starts_with("Warning: collection Coats: optional file missing"))
        << ui.buildLog;
}

// Every built setup gets its manifest: the compiler's when it wrote one for this setup, otherwise
// Kit Binder's, which replaces an older one left by an earlier build.
TEST_F(CreateSetupTest, EveryBuiltSetupGetsItsManifest) {
    const std::string setup = At("Installations/Coats.exe");
    const std::string expected = "succeeded The setup " + setup +
                                 " was built. Its manifest (SHA-256 of the setup and of every "
                                 "installed file) is " +
                                 setup + ".sha256.";
    struct Case {
        const char* compiler;
        bool oldManifest;
        bool compilers;  // the manifest is the one the compiler wrote
    };
    const Case cases[] = {
        {kWorkingCompiler, false, true},
        {kWorkingCompiler, true, true},
        {kCompilerWithoutManifest, false, false},
        {kCompilerWithoutManifest, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.compiler) + (c.oldManifest ? ", old manifest" : ""));
        std::filesystem::remove(FsPath(setup + ".sha256"));
        if (c.oldManifest) {
            WriteTextFile(setup + ".sha256", "old manifest");
            std::filesystem::last_write_time(
                FsPath(setup + ".sha256"),
                std::filesystem::file_time_type::clock::now() - std::chrono::hours(24));
        }
        InstallCompiler(c.compiler);
        ui = FakeUserInterface();
        ui.answers = {MessageAnswer::Yes};  // replace the setup of the case before
        Start();
        CreateSetup(setup);
        ASSERT_FALSE(ui.buildEvents.empty());
        EXPECT_EQ(ui.buildEvents.back(), expected);
        const std::string manifest = ReadTextFile(setup + ".sha256");
        if (c.compilers) {
            EXPECT_EQ(manifest, "manifest");
            continue;
        }
        EXPECT_NE(manifest.find("\n" + Sha256OfFile(setup).sha256 + "  Coats.exe\n"),
                  std::string::npos)
            << manifest;
        EXPECT_NE(manifest.find("\n# signed: no\n"), std::string::npos) << manifest;
        const std::string macro = At("Designers/Anna/Coats/Coat.mac");
        EXPECT_NE(manifest.find("# file " + Sha256OfFile(macro).sha256 + " "), std::string::npos)
            << manifest;
    }
}

// Test install runs "Compil32.exe /testinstall", which only Kit Binder's own compiler knows.
TEST_F(CreateSetupTest, TestInstallIsShownOnlyWithOurOwnCompiler) {
    InstallCompiler(kWorkingCompiler);
    Start();
    EXPECT_TRUE(Model().TestInstallButton.visible);

    const std::string inno = bin_ + "/Compil32.exe";
    WriteTextFile(inno, "MZ\x90 a Windows program");
    std::filesystem::permissions(FsPath(inno), std::filesystem::perms::owner_all);
    ui = FakeUserInterface();
    Start();
    EXPECT_FALSE(Model().TestInstallButton.visible);
}

TEST_F(CreateSetupTest, TheBarCountsTheFilesTheCompilerNames) {
    InstallCompiler(kCompilerNamingFiles);
    Start();
    CreateSetup(At("Installations/Coats.exe"));
    const std::vector<std::string>& events = ui.buildEvents;
    EXPECT_NE(std::find(events.begin(), events.end(), "progress 2/4"), events.end());
    EXPECT_EQ(events.back().substr(0, 10), "succeeded ");
}

TEST_F(CreateSetupTest, CancelStopsTheCompilerAndKeepsThePreviousSetup) {
    InstallCompiler(kWorkingCompiler);
    const PreviousSetup previous(At("Installations"));
    StartHeldRebuild();
    ASSERT_TRUE(ui.ProgramHeld());
    EXPECT_TRUE(Form().SetupBuildRunning());
    Form().CreateSetupClick();  // ignored while the build runs
    EXPECT_EQ(ui.choosers.size(), 1u);

    ui.buildCancel();
    EXPECT_FALSE(ui.ProgramHeld());
    EXPECT_FALSE(Form().SetupBuildRunning());
    previous.ExpectUnchanged("cancelled");
    EXPECT_EQ(ui.buildEvents.back(), "failed Cancelled: the previous setup " +
                                         At("Installations/Coats.exe") + " is unchanged.");
    EXPECT_TRUE(ui.opened.empty());
    EXPECT_EQ(ui.messages.size(), 1u);  // the replace question only

    // Without a previous setup there is nothing to keep, and no script is left either.
    for (const char* file : {"Coats.iss", "Coats.exe", "Coats.exe.sha256"})
        DeleteFile(At("Installations/") + file);
    CreateSetup(At("Installations/Coats.exe"));
    ASSERT_TRUE(ui.ProgramHeld());
    ui.buildCancel();
    EXPECT_EQ(ui.buildEvents.back(), "failed Cancelled: no setup was written.");
    EXPECT_EQ(QDir(QString::fromStdString(At("Installations"))).entryList(QDir::Files),
              QStringList());
}

// Closing the window during a build stops the compiler and keeps what the last build made.
TEST_F(CreateSetupTest, ClosingDuringABuildKeepsThePreviousSetup) {
    InstallCompiler(kWorkingCompiler);
    const PreviousSetup previous(At("Installations"));
    StartHeldRebuild();
    ASSERT_TRUE(ui.ProgramHeld());
    Restart();
    previous.ExpectUnchanged("closed");
}

// Missing pictures and tables stop the build unless the person chooses to build without them
// (with other errors there is no question: see ProblemsAreReportedTogetherBeforeAnyCompilerRuns).
TEST_F(CreateSetupTest, MissingFilesAskWhetherToBuildWithoutThem) {
    struct Case {
        const char* name;
        std::vector<MessageAnswer> answers;  // empty: the default, No
        bool built;
    };
    for (const Case& c : {Case{"yes", {MessageAnswer::Yes}, true}, Case{"default", {}, false}}) {
        InstallCompiler(kWorkingCompiler);
        for (const char* file : {"Coats.iss", "Coats.exe", "Coats.exe.sha256"})
            DeleteFile(At("Installations/") + file);
        Write("Designers/Anna/Coats/Coat.mac",
              "add_pict_item(1, \"Front.jpg\")\nadd_pict_item(2, \"Back.jpg\")\n");
        ui = FakeUserInterface();
        ui.answers = {c.answers.begin(), c.answers.end()};
        Start();
        CreateSetup(At("Installations/Coats.exe"));
        EXPECT_NE(ui.buildLog.find("file missing: " + At("Designers/Anna/Coats/Front.jpg")),
                  std::string::npos)
            << c.name << "\n"
            << ui.buildLog;
        ASSERT_EQ(ui.messages.size(), 1u) << c.name;
        EXPECT_EQ(ui.messages[0].text,
                  "2 required files are missing (listed above). Build the setup without them?");
        EXPECT_EQ(ui.messages[0].buttons, MessageButtons::YesNo);
        EXPECT_EQ(Exists("Installations/Coats.exe"), c.built) << c.name;
        EXPECT_EQ(Exists("Installations/Coats.iss"), c.built) << c.name;
        EXPECT_EQ(ui.buildEvents.back().starts_with("succeeded "), c.built) << c.name;
        EXPECT_EQ(ui.events.size() % 2, 0u) << c.name;  // every busy pointer was ended
    }
}

TEST_F(CreateSetupTest, AnExistingSetupIsReplacedOnlyWhenThePersonSaysYes) {
    InstallCompiler(kWorkingCompiler);
    Write("Installations/Coats.exe", "old setup");
    Start();
    CreateSetup(At("Installations/Coats.exe"));  // no answer: the default, No
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(ui.messages[0].caption, "Warning");
    EXPECT_NE(ui.messages[0].text.find(At("Installations/Coats.exe")), std::string::npos);
    EXPECT_TRUE(ui.started.empty());
    EXPECT_TRUE(ui.buildEvents.empty());
    EXPECT_EQ(Read("Installations/Coats.exe"), "old setup");

    ui.answers = {MessageAnswer::Yes};
    CreateSetup(At("Installations/Coats.exe"));
    EXPECT_EQ(Read("Installations/Coats.exe"), "setup");
}

TEST_F(CreateSetupTest, ProblemsAreReportedTogetherBeforeAnyCompilerRuns) {
    InstallCompiler(kWorkingCompiler);
    const std::string table(100, 't');
    const std::string picture(120, 'p');
    // A garment named as a Windows device: a file Windows itself cannot hold.
    const bool windows = kPathSeparator == '\\';
    const std::string garment = windows ? "Hood" : "AUX";
    Write("Designers/Anna/Coats/" + garment + ".mac", "add_pict_item(1, \"Gone.jpg\")\n");
    Write("Designers/Anna/Coats/" + garment + ".jpg", "\xFF\xD8picture");
    Write("Designers/Anna/Coats/Coat.mac", "measure_table(\"" + table + "\")\n");
    Write("MeasureTables/W.mmt", table + "\tcm\tx\nBust\t92.5\tB\t" + picture + "\n");
    Write("MeasureTables/W.jpg", "\xFF\xD8picture");
    Write("MeasurePictures/" + picture + ".jpg", "\xFF\xD8picture");
    Start();
    CreateSetup(At("Installations/Coats.exe"));

    EXPECT_TRUE(ui.started.empty());
    EXPECT_TRUE(ui.messages.empty());  // no offer to build without the missing file
    EXPECT_FALSE(Exists("Installations/Coats.iss"));
    std::vector<std::string> expectedErrors = {
        "Error: garment " + garment + ": file missing: " + At("Designers/Anna/Coats/Gone.jpg"),
        "Error: table " + table + " (named by garment Coat): installed path has 2"};
    if (!windows)
        expectedErrors.push_back(
            "Error: garment AUX: garment name \"AUX\" cannot be used on Windows");
    for (const std::string& expected : expectedErrors)
        EXPECT_NE(ui.buildLog.find(expected), std::string::npos) << expected << "\n" << ui.buildLog;
    EXPECT_TRUE(ui.buildEvents.back().starts_with("failed Nothing was compiled"));
    EXPECT_FALSE(Form().SetupBuildRunning());
}

TEST_F(CreateSetupTest, ASetupPictureThatCannotBeReadStopsTheBuildNamingIt) {
    InstallCompiler(kWorkingCompiler);
    Write("Designers/Anna/Coats/Coats_mini.bmp", "GIF89a, not what it says");
    Start();
    CreateSetup(At("Installations/Coats.exe"));
    EXPECT_TRUE(ui.started.empty());
    EXPECT_NE(ui.buildLog.find("Error: collection Coats: the setup picture cannot be read: " +
                               At("Designers/Anna/Coats/Coats_mini.bmp")),
              std::string::npos)
        << ui.buildLog;
    EXPECT_TRUE(ui.buildEvents.back().starts_with("failed Nothing was compiled"));
}

TEST_F(CreateSetupTest, ACompilerErrorNamesTheGarmentItsLineCameFrom) {
    InstallCompiler(kCompilerFailingOnAGarmentLine);
    Start();
    CreateSetup(At("Installations/Coats.exe"));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].text.find("comes from garment Coat, file " +
                                       At("Designers/Anna/Coats/Coat.jpg")),
              std::string::npos)
        << ui.messages[0].text;
    EXPECT_NE(ui.buildLog.find("comes from garment Coat"), std::string::npos);
}

TEST_F(CreateSetupTest, DetailsShowTheMissingFilesByGarment) {
    Write("Designers/Anna/Coats/Coat.mac", "add_pict_item(1, \"Front.jpg\")\n");
    Start();
    GoTo(Tab::Create);
    EXPECT_TRUE(Model().MissingFilesDetailsButton.enabled);
    Form().MissingFilesDetailsClick();
    ASSERT_EQ(ui.reports.size(), 1u);
    EXPECT_EQ(ui.reports[0].first, "Missing files");
    const std::string& text = ui.reports[0].second;
    const size_t garment = text.find("\ngarment Coat\n");
    ASSERT_NE(garment, std::string::npos) << text;
    EXPECT_NE(text.find("  Front.jpg  in " + At("Designers/Anna/Coats"), garment),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("  Coat.pdf (optional)  in ", garment), std::string::npos) << text;
    EXPECT_EQ(ui.events, (std::vector<std::string>{"busy", "normal"}));
}

TEST(AboutTextsTest, VersionAndBuildDate) {
    struct Case {
        std::string version, date, expectedVersion, expectedBuild, expectedDate;
    };
    for (const Case& c : {Case{"1.0.0.3", "Jun 24 2015", "1", "0.0.3", "Built on Jun 24 2015"},
                          Case{"1.0.0.1", "Jun  4 2015", "1", "0.0.1", "Built on Jun 4 2015"},
                          Case{"7", "Jan 1 2020", "", "7", "Built on Jan 1 2020"},
                          Case{"", "Jan 1 2020", "Version", "Build", "Built on Jan 1 2020"}}) {
        AboutTexts texts = MakeAboutTexts(c.version, c.date);
        EXPECT_EQ(texts.version, c.expectedVersion) << c.version;
        EXPECT_EQ(texts.build, c.expectedBuild) << c.version;
        EXPECT_EQ(texts.date, c.expectedDate) << c.date;
    }
}

// The Create tab's Test install runs Compil32's test install of the last script built and
// ends the build window with the report's summary; before a build it does nothing.
TEST_F(CreateSetupTest, TestInstallRunsTheCommandOnTheLastScriptAndSummarisesIt) {
    InstallCompiler(kCompilerWithTestInstall);
    TMainForm& form = Start();
    EXPECT_FALSE(Model().TestInstallButton.enabled);
    form.TestInstallButtonClick();
    EXPECT_TRUE(ui.started.empty());
    CreateSetup(At("Installations/Coats.exe"));
    EXPECT_TRUE(Model().TestInstallButton.enabled);

    struct Case {
        const char* exit;
        const char* left;
        std::string outcome;
    };
    const Case cases[] = {
        {"0", "uninstall left nothing.",
         "succeeded Test install: installed 3 files into C:/Program Files/Coats/; uninstall "
         "left nothing."},
        {"1", "uninstall left 2:",
         "failed Test install: installed 3 files into C:/Program Files/Coats/; uninstall left "
         "2: C:/Program Files/Coats/, C:/Program Files/Coats/Data/."},
        {"3", "",
         "failed Test install needs wine, which is not installed (Debian package wine64)."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.exit);
        SetEnvironment("KB_TEST_EXIT", c.exit);
        SetEnvironment("KB_TEST_LEFT", c.left);
        ui.buildLog.clear();
        form.TestInstallButtonClick();
        EXPECT_EQ(ui.started.back().program, "Compil32.exe");
        EXPECT_EQ(ui.started.back().arguments,
                  (std::vector<std::string>{"/testinstall", At("Installations/Coats.iss")}));
        EXPECT_EQ(ReadTextFile(bin_ + "/test-install-args.txt"),
                  "/testinstall\n" + At("Installations/Coats.iss") + "\n");
        EXPECT_EQ(ui.buildEvents.back(), c.outcome);
        EXPECT_NE(ui.buildLog.find("  C:/Program Files/Coats/Coat.mac"), std::string::npos);
        // The test install leaves the designer's setup alone.
        EXPECT_EQ(Read("Installations/Coats.exe"), "setup");
    }
    qunsetenv("KB_TEST_EXIT");
    qunsetenv("KB_TEST_LEFT");
}

// With no program for ".exe" the built setup cannot be started: the person is offered the test
// install instead, and it runs when they say yes.
TEST_F(CreateSetupTest, ASetupThatCannotBeStartedHereOffersTheTestInstall) {
    InstallCompiler(kCompilerWithTestInstall);
    SetEnvironment("KB_TEST_EXIT", "0");
    Start();
    ui.canOpen = false;
    ui.answers = {MessageAnswer::Yes};
    CreateSetup(At("Installations/Coats.exe"));
    qunsetenv("KB_TEST_EXIT");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].buttons, MessageButtons::YesNo);
    EXPECT_NE(ui.messages[0].text.find("no program is registered for \".exe\""), std::string::npos);
    EXPECT_NE(ui.messages[0].text.find("Test-install it now"), std::string::npos);
    ASSERT_EQ(ui.started.size(), 2u);
    EXPECT_EQ(ui.started[1].arguments,
              (std::vector<std::string>{"/testinstall", At("Installations/Coats.iss")}));
    EXPECT_EQ(ui.buildEvents.back().substr(0, 33), "succeeded Test install: installed");
}

// Closing the window during a test install stops it and keeps the setup it was testing.
TEST_F(CreateSetupTest, ClosingDuringATestInstallKeepsTheSetup) {
    InstallCompiler(kCompilerWithTestInstall);
    Start();
    CreateSetup(At("Installations/Coats.exe"));
    ui.holdPrograms = true;
    Form().TestInstallButtonClick();
    ASSERT_TRUE(ui.ProgramHeld());
    Restart();
    EXPECT_EQ(Read("Installations/Coats.exe"), "setup");
}

// Only ".exe" is the setup's extension: the default name of a collection "Coats 2.0" is whole.
TEST_F(CreateSetupTest, ADotInTheChosenNameStays) {
    InstallCompiler(kWorkingCompiler);
    Start();
    CreateSetup(At("Installations/Coats 2.0"));
    EXPECT_TRUE(Exists("Installations/Coats 2.0.iss"));
    EXPECT_EQ(Read("Installations/Coats 2.0.exe"), "setup");
    EXPECT_FALSE(Exists("Installations/Coats 2.iss"));
}

// A collection folder that cannot be listed stops the build instead of giving a setup without
// garments.
TEST_F(CreateSetupTest, AnUnreadableCollectionFolderStopsTheBuild) {
    InstallCompiler(kWorkingCompiler);
    Start();
    const std::string folder = At("Designers/Anna/Coats");
    std::filesystem::permissions(folder, std::filesystem::perms::none);
    if (FolderListingProblem(folder).empty()) {
        std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
        GTEST_SKIP() << "permissions do not lock a folder for this user (root, or Windows)";
    }
    CreateSetup(At("Installations/Coats.exe"));
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
    std::string shown;
    for (const std::string& text : ui.MessageTexts())
        shown += text + "\n";
    for (const std::string& event : ui.buildEvents)
        shown += event + "\n";
    EXPECT_NE(shown.find("cannot read the folder " + folder), std::string::npos) << shown;
    EXPECT_FALSE(Exists("Installations/Coats.exe"));
    EXPECT_TRUE(ui.started.empty());
}

// The heading of a build that did not succeed says what stopped it, not the step it was at.
TEST_F(CreateSetupTest, AFailedBuildsHeadingSaysWhatStoppedIt) {
    struct Case {
        const char* compiler;  // nullptr: none on PATH
        bool cancel;
        bool missingPicture;
        std::string heading;
    };
    const Case cases[] = {
        {kFailingCompiler, false, false, "step The installer compiler failed"},
        {kWorkingCompiler, true, false, "step Cancelled"},
        {nullptr, false, false, "step The installer compiler could not be started"},
        {kWorkingCompiler, false, true, "step Stopped by the checks: nothing was compiled"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.heading);
        DeleteFile(bin_ + "/Compil32.exe");
        if (c.compiler)
            InstallCompiler(c.compiler);
        else
            SetEnvironment("PATH", bin_);
        if (c.missingPicture) {
            Write("Designers/Anna/Coats/Hood.mac", "add_pict_item(1, \"Lost.jpg\")\n");
            Write("Designers/Anna/Coats/Hood.jpg", "\xFF\xD8picture");
        }
        ui = FakeUserInterface();
        ui.holdPrograms = c.cancel;
        Start();
        CreateSetup(At("Installations/Coats.exe"));
        if (c.cancel)
            ui.buildCancel();
        const std::vector<std::string>& events = ui.buildEvents;
        ASSERT_GE(events.size(), 2u);
        EXPECT_TRUE(events.back().starts_with("failed ")) << events.back();
        EXPECT_EQ(events[events.size() - 2], c.heading);
    }
}

}  // namespace
}  // namespace kb::test
