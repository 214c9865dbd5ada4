// How a build ends: the new script replaces the old one only with the setup the compiler wrote;
// otherwise the previous script and setup stay and the outcome says so.
#include "setup/setup_build.h"

#include <gtest/gtest.h>

#include "foundation/files.h"
#include "tests/support/temp_folder.h"

namespace kb {
namespace {

TEST(FinishSetupTest, OnlyASucceededCompilerReplacesTheScript) {
    struct Case {
        const char* name;
        int exitCode;
        bool crashed, cancelled, previousSetup;
        bool succeeded;
        std::string summaryStart;
    };
    const Case cases[] = {
        {"built", 0, false, false, true, true, "The setup "},
        {"cancelled after the compiler finished", 0, false, true, true, true, "The setup "},
        {"failed", 1, false, false, true, false,
         "The installer compiler failed (exit code 1). The previous setup "},
        {"failed, no previous setup", 1, false, false, false, false,
         "The installer compiler failed (exit code 1)."},
        {"crashed", -1, true, false, true, false, "The installer compiler stopped unexpectedly."},
        {"cancelled", -1, true, true, true, false, "Cancelled: the previous setup "},
        {"cancelled, no previous setup", 143, false, true, false, false,
         "Cancelled: no setup was written."},
    };
    for (const Case& c : cases) {
        test::TempFolder folder;
        PreparedSetup build;
        build.base = folder.Path() + "/Coats";
        WriteTextFile(build.Script(), "old script");
        WriteTextFile(build.NewScript(), "new script");
        if (c.previousSetup)
            WriteTextFile(build.Setup(), "setup");
        const SetupOutcome outcome = FinishSetup(build, c.exitCode, c.crashed, "", c.cancelled);
        EXPECT_EQ(outcome.succeeded, c.succeeded) << c.name;
        EXPECT_TRUE(outcome.summary.starts_with(c.summaryStart))
            << c.name << ": " << outcome.summary;
        EXPECT_EQ(ReadTextFile(build.Script()), c.succeeded ? "new script" : "old script")
            << c.name;
        EXPECT_FALSE(FileExists(build.NewScript())) << c.name;
    }
}

// Only Kit Binder's own compiler takes /testinstall: the Inno Setup compiler is a Windows
// program, whatever its name.
TEST(OwnInstallerCompilerTest, AWindowsProgramIsNeverOurs) {
    test::TempFolder folder;
    const std::pair<std::string, bool> cases[] = {
        {"\x7f"
         "ELF\x02\x01",
         true},
        {"#!/bin/sh\n", true},
        {"M", true},
        {"MZ\x90", false},
        {"MZ", false},
    };
    for (const auto& [start, ours] : cases) {
        const std::string compiler = folder.Path() + "/Compil32.exe";
        WriteTextFile(compiler, start);
        EXPECT_EQ(OwnInstallerCompiler(compiler), ours) << start;
    }
    EXPECT_FALSE(OwnInstallerCompiler(""));
}

TEST(PreparedSetupTest, OnlyMissingRequiredFilesCanBeBuiltPast) {
    const BuildProblem missing{ProblemSeverity::Error, "garment Coat", "file missing: a.jpg", true};
    const BuildProblem optional{ProblemSeverity::Warning, "garment Coat", "optional: a.pdf"};
    const BuildProblem name{ProblemSeverity::Error, "garment AUX", "cannot be used on Windows"};
    struct Case {
        std::vector<BuildProblem> problems;
        int missingRequired;
        bool stopped, stoppedWhenAllowed;
    };
    const Case cases[] = {
        {{}, 0, false, false},
        {{optional}, 0, false, false},
        {{missing, missing, optional}, 2, true, false},
        {{missing, name}, 1, true, true},
    };
    for (const Case& c : cases) {
        PreparedSetup build;
        build.problems = c.problems;
        EXPECT_EQ(build.MissingRequired(), c.missingRequired) << c.problems.size();
        EXPECT_EQ(build.Stopped(MissingFiles::Stop), c.stopped) << c.problems.size();
        EXPECT_EQ(build.Stopped(MissingFiles::Allow), c.stoppedWhenAllowed) << c.problems.size();
    }
}

}  // namespace
}  // namespace kb
