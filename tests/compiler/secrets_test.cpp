// The signing password and the setup password stay with their user: a password typed at a
// terminal does not show, a key file others may use is refused, and the test install hands the
// setup's password over where no other user can read it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "compiler/code_signing.h"
#include "compiler/diagnostics.h"
#include "compiler/test_install.h"
#include "tests/compiler/sample_setup.h"
#include "tests/compiler/terminal.h"
#include "tests/support/temp_folder.h"

namespace compiler::test {
namespace {

namespace fs = std::filesystem;

TEST(Compil32Secrets, PasswordTypedAtATerminalDoesNotShow) {
    kb::test::TempFolder root;
    const std::string certificate = root / "none.p12";
    const TerminalRun run =
        RunOnTerminal({KB_COMPIL32_EXE, "/signing=" + certificate},
                      {"XDG_CONFIG_HOME=" + root / "config"}, "Password", "Sh0wn?Secret\r");
    EXPECT_NE(run.shown.find("Password of " + certificate + ": "), std::string::npos) << run.shown;
    EXPECT_EQ(run.shown.find("Sh0wn?Secret"), std::string::npos) << run.shown;
    // The password was read: the missing certificate is what fails.
    EXPECT_NE(run.shown.find(certificate + ": cannot read the certificate"), std::string::npos)
        << run.shown;
    EXPECT_EQ(run.exitCode, 1);
}

TEST(Compil32Secrets, KeyFilesOtherUsersMayUseAreRefused) {
    kb::test::TempFolder root;
    const struct {
        fs::perms mode;
        bool asNobody;     // owned by another user (the test must run as root to make it)
        const char* told;  // in the message; "" when the key is taken
    } cases[] = {
        {fs::perms::owner_read | fs::perms::owner_write, false, ""},
        {fs::perms::owner_read, false, ""},
        {fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read, false,
         "(mode 0640); make it private with chmod 600"},
        {fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read, false,
         "(mode 0604); make it private with chmod 600"},
        {fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_write, false,
         "(mode 0620); make it private with chmod 600"},
        {fs::perms::owner_read | fs::perms::owner_write, true,
         "belongs to another user (user id 65534)"},
    };
    int number = 0;
    for (const auto& c : cases) {
        if (c.asNobody && geteuid() != 0)
            continue;
        const std::string key = root / ("KB10-" + std::to_string(++number) + ".key");
        const std::string sealed = SealSecret("secret", key);
        fs::permissions(key, c.mode);
        if (c.asNobody) {
            ASSERT_EQ(RunProgram({"chown", "65534", key}).exitCode, 0);
        }
        if (*c.told == '\0') {
            EXPECT_EQ(UnsealSecret(sealed, key), "secret") << key;
            continue;
        }
        for (const bool seal : {false, true}) {
            try {
                seal ? SealSecret("secret", key) : UnsealSecret(sealed, key);
                ADD_FAILURE() << key << " taken";
            } catch (const CompileError& error) {
                const std::string message = error.what();
                EXPECT_TRUE(message.starts_with(key + ": ")) << message;
                EXPECT_NE(message.find(c.told), std::string::npos) << message;
                EXPECT_NE(message.find("configure the certificate again"), std::string::npos)
                    << message;
            }
        }
    }
}

// A wine that writes down what it was given: the setup's password must not be among its
// arguments, which every local user sees in the process list.
TEST(Compil32Secrets, TestInstallKeepsThePasswordOffTheCommandLine) {
    if (!HasProgram("makensis"))
        GTEST_SKIP() << "makensis is missing";
    kb::test::TempFolder root;
    const SampleSetup sample = MakeSampleSetup(root.Path());
    const std::string log = root / "wine.log";
    const std::string wine = root / "wine";
    WriteBytes(wine, "#!/bin/sh\nfor a in \"$@\"; do printf 'argument %s\\n' \"$a\"; done >> '" +
                         log + "'\nprintf 'password %s\\n' \"$KB_TEST_INSTALL_PASSWORD\" >> '" +
                         log + "'\n");
    fs::permissions(wine, fs::perms::owner_all);
    TestInstallOptions options;
    options.wine = wine;
    options.wineserver = "true";
    TestInstall(sample.script, options);

    const std::string calls = ReadBytes(log);
    EXPECT_NE(calls.find("argument /VERYSILENT"), std::string::npos) << calls;
    EXPECT_EQ(calls.find(std::string("argument /PASSWORD")), std::string::npos) << calls;
    for (size_t at = calls.find(kSamplePassword); at != std::string::npos;
         at = calls.find(kSamplePassword, at + 1))
        EXPECT_TRUE(calls.substr(0, at).ends_with("password ")) << calls;
    EXPECT_NE(calls.find(std::string("password ") + kSamplePassword + "\n"), std::string::npos)
        << calls;
}

}  // namespace
}  // namespace compiler::test
