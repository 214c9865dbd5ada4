// A compiler asked to stop removes its staging folder and part-written setup and keeps the
// previous setup; what a killed one left is removed by the next run.
#include "compiler/stopping.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "tests/compiler/sample_setup.h"
#include "tests/support/temp_folder.h"

extern char** environ;

namespace compiler::test {
namespace {

namespace fs = std::filesystem;

// Well above any process id the system hands out, so never a running process.
constexpr int kGonePid = 99999999;

TEST(CompilerStopping, OwnerOfReadsTheProcessIdAfterThePrefix) {
    struct Case {
        const char* name;
        int owner;
    };
    for (const Case& c :
         {Case{"compil32-123-AbC12x", 123}, Case{"compil32-77", 77}, Case{"compil32-5.part", 5},
          Case{"compil32-test-install-9-x", 0}, Case{"compil32-12x", 0}, Case{"compil32-", 0},
          Case{"other-1-x", 0}, Case{"compil32-999999999999-x", 0}})
        EXPECT_EQ(OwnerOf(c.name, "compil32-"), c.owner) << c.name;
}

TEST(CompilerStopping, LeftoversOfGoneProcessesAreRemovedOthersKept) {
    kb::test::TempFolder temp;
    const fs::path folder = temp.Path();
    const std::string gone = "compil32-" + std::to_string(kGonePid) + "-aaaaaa";
    const std::string own = "compil32-" + std::to_string(ProcessId()) + "-bbbbbb";
    const std::string running = "compil32-1-cccccc";  // init runs as long as the system does
    for (const std::string& name : {gone, own, running, std::string("compil32-dddddd")})
        fs::create_directories(folder / name / "files");
    WriteBytes((folder / ("Coats.exe.part-" + std::to_string(kGonePid))).string(), "half a setup");
    RemoveLeftovers(folder.string(), "compil32-");
    RemoveLeftovers(folder.string(), "Coats.exe.part-");
    EXPECT_FALSE(fs::exists(folder / gone));
    EXPECT_FALSE(fs::exists(folder / ("Coats.exe.part-" + std::to_string(kGonePid))));
    for (const std::string& kept : {own, running, std::string("compil32-dddddd")})
        EXPECT_TRUE(fs::exists(folder / kept)) << kept;
}

class CompilerStop : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!HasProgram("makensis"))
            GTEST_SKIP() << "makensis is missing";
        sample_ = MakeSampleSetup(root_.Path() + "/work");
        fs::create_directories(tmp_);
        fs::create_directories(bin_);
    }
    // Starts the compiler in a process group of its own, as the window does.
    pid_t StartCompiler(const std::vector<std::string>& extraEnvironment) const {
        std::vector<std::string> environment;
        for (char** entry = environ; *entry; ++entry)
            if (!std::string_view(*entry).starts_with("TMPDIR=") &&
                !std::string_view(*entry).starts_with("PATH="))
                environment.emplace_back(*entry);
        environment.push_back("TMPDIR=" + tmp_);
        environment.push_back("XDG_CONFIG_HOME=" + root_.Path() + "/no-settings");
        environment.insert(environment.end(), extraEnvironment.begin(), extraEnvironment.end());
        std::vector<std::string> arguments = {KB_COMPIL32_EXE, "/cc", sample_.script};
        std::vector<char*> argv, envp;
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        for (std::string& entry : environment)
            envp.push_back(entry.data());
        argv.push_back(nullptr);
        envp.push_back(nullptr);
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
        posix_spawnattr_setpgroup(&attributes, 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        pid_t pid = 0;
        EXPECT_EQ(posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), envp.data()), 0);
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
        return pid;
    }
    // A makensis that says it started, then takes its time.
    std::vector<std::string> SlowMakensis() const {
        WriteBytes(bin_ + "/makensis", "#!/bin/sh\ntouch \"" + started_ + "\"\nexec sleep 60\n");
        fs::permissions(bin_ + "/makensis", fs::perms::owner_all);
        return {"PATH=" + bin_ + ":/usr/bin:/bin"};
    }
    bool WaitForStart() const {
        for (int i = 0; i < 1000 && !fs::exists(started_); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return fs::exists(started_);
    }
    // The compiler's end: true when a signal ended it, within seconds.
    static bool EndedBySignal(pid_t pid, int seconds) {
        int status = 0;
        for (int i = 0; i < seconds * 100; ++i) {
            if (waitpid(pid, &status, WNOHANG) == pid)
                return WIFSIGNALED(status);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        kill(-pid, SIGKILL);
        waitpid(pid, &status, 0);
        ADD_FAILURE() << "the compiler did not end within " << seconds << " s";
        return false;
    }
    size_t Count(const std::string& folder) const {
        size_t count = 0;
        for ([[maybe_unused]] const fs::directory_entry& entry : fs::directory_iterator(folder))
            ++count;
        return count;
    }
    std::string Installations() const { return fs::path(sample_.setup).parent_path().string(); }

    kb::test::TempFolder root_;
    SampleSetup sample_;
    std::string tmp_ = root_.Path() + "/tmp", bin_ = root_.Path() + "/bin";
    std::string started_ = root_.Path() + "/makensis-started";
};

TEST_F(CompilerStop, AStoppedCompilerLeavesNothingAndKeepsThePreviousSetup) {
    WriteBytes(sample_.setup, "old setup");
    WriteBytes(sample_.setup + ".sha256", "old manifest");
    const size_t before = Count(Installations());
    const std::vector<std::string> environment = SlowMakensis();
    for (int round = 0; round < 10; ++round) {
        fs::remove(started_);
        const pid_t pid = StartCompiler(environment);
        ASSERT_TRUE(WaitForStart()) << "round " << round;
        ASSERT_EQ(Count(tmp_), 1u) << "the staging folder, round " << round;
        kill(-pid, SIGTERM);
        EXPECT_TRUE(EndedBySignal(pid, 5)) << "round " << round;
        EXPECT_EQ(Count(tmp_), 0u) << "round " << round;
    }
    EXPECT_EQ(ReadBytes(sample_.setup), "old setup");
    EXPECT_EQ(ReadBytes(sample_.setup + ".sha256"), "old manifest");
    EXPECT_EQ(Count(Installations()), before);
}

TEST_F(CompilerStop, TheNextRunRemovesWhatAKilledCompilerLeft) {
    fs::remove(started_);
    const pid_t pid = StartCompiler(SlowMakensis());
    ASSERT_TRUE(WaitForStart());
    const size_t before = Count(Installations());
    kill(-pid, SIGKILL);
    EXPECT_TRUE(EndedBySignal(pid, 5));
    EXPECT_EQ(Count(tmp_), 1u);  // SIGKILL leaves no way out
    const pid_t next = StartCompiler({});
    int status = 0;
    waitpid(next, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(Count(tmp_), 0u);
    EXPECT_TRUE(fs::exists(sample_.setup));
    EXPECT_EQ(Count(Installations()), before + 2);  // the setup and its manifest, no part file
}

}  // namespace
}  // namespace compiler::test
