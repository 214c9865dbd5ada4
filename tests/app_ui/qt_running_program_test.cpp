// A started program is stopped together with the programs it started: the installer compiler's
// own helper must not run on after Stop.
#include "app/ui/qt_running_program.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include "foundation/files.h"
#include "foundation/paths.h"
#include "tests/support/temp_folder.h"

namespace kb {
namespace {

const bool kWindows = kPathSeparator == '\\';

class QtRunningProgramTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "qt_running_program_test";
        static char* argv[] = {name, nullptr};
        static QCoreApplication app(argc, argv);
    }

    // Runs the event loop until done answers true or seconds have passed.
    static bool WaitFor(const std::function<bool()>& done, int seconds) {
        QElapsedTimer timer;
        timer.start();
        while (!done() && timer.elapsed() < seconds * 1000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            QThread::msleep(10);
        }
        return done();
    }
};

TEST_F(QtRunningProgramTest, StopEndsTheProgramAndWhatItStarted) {
    test::TempFolder dir;
    // The program starts a helper that writes late.txt after two seconds, says "started" and
    // waits half a minute.
    const std::vector<std::string> arguments =
        kWindows ? std::vector<std::string>{"/c",
                                            "start /b cmd /c ping -n 3 127.0.0.1 ^>nul ^& echo "
                                            "late^>late.txt & echo started & ping -n 30 "
                                            "127.0.0.1 >nul"}
                 : std::vector<std::string>{
                       "-c", "(sleep 2; echo late > late.txt) & echo started; sleep 30"};
    std::string output;
    bool finished = false;
    bool crashed = false;
    auto program = QtRunningProgram::Start(kWindows ? "cmd" : "sh", arguments, dir.Path(),
                                           {[&](const std::string& text) { output += text; },
                                            [&](int, bool stopped) {
                                                finished = true;
                                                crashed = stopped;
                                            }});
    ASSERT_NE(program, nullptr);
    ASSERT_TRUE(WaitFor([&] { return output.find("started") != std::string::npos; }, 20)) << output;
    program->Stop();
    ASSERT_TRUE(WaitFor([&] { return finished; }, 10));
    EXPECT_TRUE(crashed);
    QThread::msleep(3500);  // past the helper's two seconds
    EXPECT_FALSE(FileExists(InFolder(dir.Path(), "late.txt")));
}

// Stop asks first, so that a program can clean up on its way out (as the installer compiler
// removes its staging folder); one that does not end when asked is killed after a grace.
TEST_F(QtRunningProgramTest, StopLetsTheProgramCleanUpThenKillsWhatStaysOn) {
    if (kWindows)
        GTEST_SKIP() << "Windows programs are not asked: Stop ends the job at once";
    struct Case {
        const char* name;
        const char* script;
        bool cleaned;
    };
    for (const Case& c : {Case{"cleans up",
                               "trap 'rm staging; exit 1' TERM; touch staging; echo started; "
                               "sleep 30 & wait",
                               true},
                          Case{"ignores the request",
                               "trap '' TERM; touch staging; echo started; sleep 30", false}}) {
        test::TempFolder dir;
        std::string output;
        bool finished = false;
        auto program = QtRunningProgram::Start("sh", {"-c", c.script}, dir.Path(),
                                               {[&](const std::string& text) { output += text; },
                                                [&](int, bool) { finished = true; }});
        ASSERT_NE(program, nullptr) << c.name;
        ASSERT_TRUE(WaitFor([&] { return output.find("started") != std::string::npos; }, 20))
            << c.name;
        program->Stop();
        ASSERT_TRUE(WaitFor([&] { return finished; }, 15)) << c.name;
        EXPECT_EQ(FileExists(InFolder(dir.Path(), "staging")), !c.cleaned) << c.name;
    }
}

// On Windows what a program leaves running is in its job, which ends it when the program's
// watch goes: a build leaves nothing behind that writes after it.
TEST_F(QtRunningProgramTest, WhatAnEndedProgramLeftRunningEndsWithItsWatch) {
    if (!kWindows)
        GTEST_SKIP() << "a process group lives on with its programs";
    test::TempFolder dir;
    bool finished = false;
    auto program = QtRunningProgram::Start(
        "cmd",
        {"/c", "start /b cmd /c ping -n 4 127.0.0.1 ^>nul ^& echo late^>late.txt & echo started"},
        dir.Path(), {{}, [&](int, bool) { finished = true; }});
    ASSERT_NE(program, nullptr);
    ASSERT_TRUE(WaitFor([&] { return finished; }, 15));
    program.reset();
    QThread::msleep(4500);  // past the leftover's three seconds
    EXPECT_FALSE(FileExists(InFolder(dir.Path(), "late.txt")));
}

TEST_F(QtRunningProgramTest, AProgramThatCannotBeFoundIsNotStarted) {
    EXPECT_EQ(QtRunningProgram::Start("no-such-program-kb", {}, "", {}), nullptr);
}

}  // namespace
}  // namespace kb
