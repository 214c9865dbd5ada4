// Signing with a certificate the test makes with OpenSSL: the setup and its uninstaller verify
// with osslsigncode, the manifest says so, and the password is nowhere in clear on disk.
#include <gtest/gtest.h>

#include <filesystem>

#include "compiler/code_signing.h"
#include "compiler/diagnostics.h"
#include "foundation/settings_store.h"
#include "tests/compiler/sample_setup.h"
#include "tests/support/temp_folder.h"

namespace compiler::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kPassword = "Pa$$ 'w\"rd";

class Compil32Signing : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* program : {"makensis", "7z", "openssl", "osslsigncode"})
            if (!HasProgram(program))
                GTEST_SKIP() << program << " is missing";
        sample_ = MakeSampleSetup(root_.Path());
        certificate_ = root_ / "signer.p12";
        certificatePem_ = root_ / "signer.pem";
        const RunResult made =
            RunProgram({"openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "30",
                        "-subj", "/CN=Anna Test Signing/O=Anna", "-keyout", root_ / "signer.key",
                        "-out", certificatePem_});
        ASSERT_EQ(made.exitCode, 0) << made.output;
        const RunResult exported =
            RunProgram({"openssl", "pkcs12", "-export", "-inkey", root_ / "signer.key", "-in",
                        certificatePem_, "-out", certificate_, "-passout", "env:KB_TEST_PASSWORD"},
                       {std::string("KB_TEST_PASSWORD=") + kPassword});
        ASSERT_EQ(exported.exitCode, 0) << exported.output;
        fs::remove(root_ / "signer.key");
        kb::SetSettingsFolder(kb::SettingsRoot::CurrentUser, config_);
    }
    void TearDown() override { kb::SetSettingsFolder(kb::SettingsRoot::CurrentUser, ""); }

    // Compil32.exe with the test's settings folder.
    RunResult Compil32(const std::vector<std::string>& arguments, const std::string& input = "") {
        std::string command = "printf '%s\\n' \"$KB_TEST_INPUT\" | \"$0\" \"$@\"";
        std::vector<std::string> argv = {"sh", "-c", command, KB_COMPIL32_EXE};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        return RunProgram(argv, {"XDG_CONFIG_HOME=" + config_, "KB_TEST_INPUT=" + input,
                                 "SOURCE_DATE_EPOCH=1700000000"});
    }

    RunResult Verify(const std::string& program) {
        return RunProgram({"osslsigncode", "verify", "-CAfile", certificatePem_, "-in", program});
    }

    kb::test::TempFolder root_;
    std::string config_ = root_ / "config";
    SampleSetup sample_;
    std::string certificate_, certificatePem_;
};

TEST_F(Compil32Signing, SetupAndUninstallerAreSignedAndVerifyAndTheManifestSaysSo) {
    const RunResult configured = Compil32({"/signing=" + certificate_}, kPassword);
    ASSERT_EQ(configured.exitCode, 0) << configured.output;
    EXPECT_NE(configured.output.find("CN=Anna Test Signing"), std::string::npos);

    const RunResult compiled = Compil32({"/cc", sample_.script});
    ASSERT_EQ(compiled.exitCode, 0) << compiled.output;
    const RunResult setup = Verify(sample_.setup);
    EXPECT_EQ(setup.exitCode, 0) << setup.output;
    const std::string unpacked = root_ / "unpacked";
    ASSERT_EQ(RunProgram({"7z", "x", "-y", "-o" + unpacked, sample_.setup}).exitCode, 0);
    const RunResult uninstaller = Verify(unpacked + "/Uninstall Anna - Coats.exe");
    EXPECT_EQ(uninstaller.exitCode, 0) << uninstaller.output;
    EXPECT_NE(ReadBytes(sample_.setup + ".sha256").find("# signed: yes"), std::string::npos);
    EXPECT_NE(ReadBytes(sample_.setup + ".sha256").find("O=Anna,CN=Anna Test Signing"),
              std::string::npos)
        << ReadBytes(sample_.setup + ".sha256");

    // Without a time-stamp server a signed build is reproducible too.
    const std::string first = ReadBytes(sample_.setup);
    ASSERT_EQ(Compil32({"/cc", sample_.script}).exitCode, 0);
    EXPECT_TRUE(ReadBytes(sample_.setup) == first);

    // The password is in no file of the settings folder and in nothing the compiler printed.
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(config_)) {
        if (entry.is_regular_file()) {
            EXPECT_EQ(ReadBytes(entry.path()).find(kPassword), std::string::npos) << entry.path();
        }
    }
    EXPECT_EQ(compiled.output.find(kPassword), std::string::npos);
    EXPECT_EQ((fs::status(config_ + "/Bobbinwright/KB10.key").permissions() &
               (fs::perms::group_all | fs::perms::others_all)),
              fs::perms::none);

    // Without the certificate the build fails and leaves the signed setup and its manifest.
    const std::string signedSetup = ReadBytes(sample_.setup);
    const std::string signedManifest = ReadBytes(sample_.setup + ".sha256");
    fs::rename(certificate_, certificate_ + ".gone");
    const RunResult failed = Compil32({"/cc", sample_.script});
    EXPECT_EQ(failed.exitCode, 1) << failed.output;
    EXPECT_EQ(ReadBytes(sample_.setup), signedSetup);
    EXPECT_EQ(ReadBytes(sample_.setup + ".sha256"), signedManifest);

    // Removing the configuration: setups are built unsigned again.
    ASSERT_EQ(Compil32({"/signing="}).exitCode, 0);
    ASSERT_EQ(Compil32({"/cc", sample_.script}).exitCode, 0);
    EXPECT_NE(Verify(sample_.setup).exitCode, 0);
    EXPECT_NE(ReadBytes(sample_.setup + ".sha256").find("# signed: no"), std::string::npos);
}

TEST_F(Compil32Signing, WrongPasswordIsRefusedAndNothingIsStored) {
    const RunResult configured = Compil32({"/signing=" + certificate_}, "not it");
    EXPECT_EQ(configured.exitCode, 1);
    EXPECT_NE(configured.output.find("the password does not open the certificate"),
              std::string::npos)
        << configured.output;
    EXPECT_EQ(kb::ReadSetting(kb::SettingsRoot::CurrentUser, kSigningCertificateSetting, ""), "");
    const RunResult notPkcs12 = Compil32({"/signing=" + sample_.script}, kPassword);
    EXPECT_EQ(notPkcs12.exitCode, 1);
    EXPECT_NE(notPkcs12.output.find("not a PKCS#12"), std::string::npos) << notPkcs12.output;
}

// Sealed secrets open only with the key they were sealed with, and only unchanged.
TEST_F(Compil32Signing, SealedSecretsOpenOnlyWithTheirKeyAndUnchanged) {
    const std::string key = root_ / "one.key";
    const std::string other = root_ / "other.key";
    const std::string sealed = SealSecret(kPassword, key);
    EXPECT_EQ(UnsealSecret(sealed, key), kPassword);
    EXPECT_NE(SealSecret(kPassword, key), sealed);  // a fresh nonce each time
    SealSecret("x", other);
    std::string flipped = sealed;
    flipped[flipped.size() - 3] = flipped[flipped.size() - 3] == '0' ? '1' : '0';
    const std::pair<std::string, std::string> refused[] = {
        {sealed, other},     {flipped, key},   {sealed.substr(0, 20), key},
        {"sealed1:zz", key}, {kPassword, key}, {sealed, root_ / "missing.key"},
    };
    for (const auto& [text, keyFile] : refused)
        EXPECT_THROW(UnsealSecret(text, keyFile), CompileError) << text << " " << keyFile;
}

}  // namespace
}  // namespace compiler::test
