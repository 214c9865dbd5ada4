// Setups built by the Compil32.exe program, read back without running them: 7z opens NSIS
// installers and shows the files at their install paths.
#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <set>
#include <sstream>

#include "compiler/installer_compiler.h"
#include "tests/compiler/generated_setup.h"
#include "tests/compiler/sample_setup.h"
#include "tests/support/temp_folder.h"

namespace compiler::test {
namespace {

namespace fs = std::filesystem;

class Compil32Setup : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!HasProgram("makensis") || !HasProgram("7z"))
            GTEST_SKIP() << "makensis or 7z is missing";
        sample_ = MakeSampleSetup(root_.Path());
    }

    // The "Path = " lines of 7z's technical listing.
    std::set<std::string> ArchivePaths(const std::string& setup) const {
        const RunResult listing = RunProgram({"7z", "l", "-slt", setup});
        EXPECT_EQ(listing.exitCode, 0) << listing.output;
        std::set<std::string> paths;
        std::istringstream lines(listing.output);
        for (std::string line; std::getline(lines, line);)
            if (line.starts_with("Path = ") && line != "Path = " + setup)
                paths.insert(line.substr(7));
        return paths;
    }

    kb::test::TempFolder root_;
    SampleSetup sample_;
};

TEST_F(Compil32Setup, HoldsEveryFileAtItsInstallPathByteForByteAndTheWizardPictures) {
    const RunResult compiled = RunProgram({KB_COMPIL32_EXE, "/cc", sample_.script});
    ASSERT_EQ(compiled.exitCode, 0) << compiled.output;
    ASSERT_TRUE(fs::is_regular_file(sample_.setup));

    const std::set<std::string> paths = ArchivePaths(sample_.setup);
    for (const SampleFile& file : sample_.files)
        EXPECT_TRUE(paths.count(file.installPath)) << file.installPath;
    EXPECT_TRUE(paths.count("Uninstall Anna - Coats.exe"));

    const std::string unpacked = root_ / "unpacked";
    const RunResult extracted = RunProgram({"7z", "x", "-y", "-o" + unpacked, sample_.setup});
    ASSERT_EQ(extracted.exitCode, 0) << extracted.output;
    for (const SampleFile& file : sample_.files)
        EXPECT_EQ(ReadBytes(unpacked + "/" + file.installPath),
                  ReadBytes(sample_.workspace + "/" + file.source))
            << file.installPath;
    // The pictures as plain BMPs of the same pixels.
    const auto pixels = [](const std::string& path) {
        return QImage(QString::fromStdString(path)).convertToFormat(QImage::Format_RGB32);
    };
    EXPECT_EQ(pixels(unpacked + "/$PLUGINSDIR/modern-wizard.bmp"),
              pixels(KB_RESOURCE_DIR "/Wizmodernimage.bmp"));
    EXPECT_EQ(pixels(unpacked + "/$PLUGINSDIR/modern-header.bmp"),
              pixels(KB_RESOURCE_DIR "/needle2_tn.bmp"));
    EXPECT_FALSE(pixels(unpacked + "/$PLUGINSDIR/modern-wizard.bmp").isNull());
}

TEST_F(Compil32Setup, AcceptsTheScriptAloneAndBuildsTheAmd64Variant) {
    const RunResult compiled =
        RunProgram({KB_COMPIL32_EXE, sample_.script, "/target=amd64-unicode"});
    ASSERT_EQ(compiled.exitCode, 0) << compiled.output;
    EXPECT_NE(RunProgram({"7z", "l", "-slt", sample_.setup}).output.find("64-bit = +"),
              std::string::npos);
}

TEST_F(Compil32Setup, BrokenScriptsExitNonZeroWithFileAndLine) {
    const std::string script =
        WriteScript(sample_, "Broken.iss", "[Setup]\nAppName=x\nDisableDirPage=often\n");
    const RunResult compiled = RunProgram({KB_COMPIL32_EXE, "/cc", script});
    EXPECT_EQ(compiled.exitCode, 1);
    EXPECT_NE(compiled.output.find(script + ":3: Value of DisableDirPage must be yes or no"),
              std::string::npos)
        << compiled.output;
    EXPECT_FALSE(fs::exists(sample_.workspace + "/Installations/Output"));

    EXPECT_EQ(RunProgram({KB_COMPIL32_EXE, "/cc"}).exitCode, 2);
    const RunResult missing = RunProgram({KB_COMPIL32_EXE, "/cc", root_ / "none.iss"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.output.find(root_ / "none.iss: The script does not exist"),
              std::string::npos);
}

// The script the generator writes for its worked outline, with the files it names.
TEST_F(Compil32Setup, CompilesTheGeneratorsWorkedOutline) {
    const std::string golden = KB_GENERATOR_GOLDEN;
    if (!fs::is_regular_file(golden))
        GTEST_SKIP() << "no generator golden script";
    std::string text = ReplaceAll(ReadBytes(golden), "@RESOURCES@", KB_RESOURCE_DIR);
    text = ReplaceAll(text, "@ROOT@", sample_.workspace);
    std::vector<std::string> names;
    for (size_t at = text.find("Source: "); at != std::string::npos;
         at = text.find("Source: ", at + 1)) {
        const std::string source = text.substr(at + 8, text.find(';', at) - at - 8);
        if (!fs::exists(source))
            WriteBytes(source, "generated " + source);
        names.push_back(fs::path(source).filename().string());
    }
    ASSERT_FALSE(names.empty());
    const std::string script = WriteScript(sample_, "Outline.iss", text);
    std::vector<std::string> warnings;
    ASSERT_NO_THROW(CompileSetupScript(script, CompileOptions{}, warnings));
    EXPECT_TRUE(warnings.empty()) << warnings.front();
    std::set<std::string> installed;
    for (const std::string& path : ArchivePaths(sample_.setup))
        installed.insert(fs::path(path).filename().string());
    for (const std::string& name : names)
        EXPECT_TRUE(installed.count(name)) << name;
}

// Scripts that leave out parts of the sample: makensis runs with warnings as errors, so any
// instruction the translation leaves unused would fail the build.
TEST_F(Compil32Setup, ScriptVariantsBuildWithoutNsisWarnings) {
    const std::string variants[] = {
        "[Setup]\nAppName=Bare $1\nDefaultDirName={pf}\\Bare\n",
        "[Setup]\nAppName=Desk\nDefaultDirName={pf}\\Desk\nPrivilegesRequired=lowest\n"
        "DisableDirPage=no\n[Icons]\nName: {commondesktop}\\Desk; Filename: {app}\\x.txt\n",
        "[Setup]\nAppName=Pass\nDefaultDirName={pf}\\Pass\nPassword=p\nLicenseFile=lic.rtf\n"
        "AllowNoIcons=yes\n[Icons]\nName: {group}\\Site; Filename: https://example.org\n",
    };
    WriteBytes(sample_.workspace + "/Installations/lic.rtf", "{\\rtf1 Licence}");
    for (const std::string& text : variants) {
        const std::string script = WriteScript(sample_, "Variant.iss", text);
        std::vector<std::string> warnings;
        EXPECT_NO_THROW(CompileSetupScript(script, CompileOptions{}, warnings)) << text;
        EXPECT_TRUE(warnings.empty()) << text;
    }
}

}  // namespace
}  // namespace compiler::test

namespace compiler::test {
namespace {

// The "Path = " lines of 7z's technical listing.
std::vector<std::string> ListedPaths(const std::string& setup) {
    const RunResult listing = RunProgram({"7z", "l", "-slt", setup});
    EXPECT_EQ(listing.exitCode, 0) << listing.output;
    std::vector<std::string> paths;
    std::istringstream lines(listing.output);
    for (std::string line; std::getline(lines, line);)
        if (line.starts_with("Path = ") && line != "Path = " + setup)
            paths.push_back(line.substr(7));
    return paths;
}

bool Listed(const std::vector<std::string>& paths, const std::string& ending) {
    return std::ranges::any_of(paths, [&](const std::string& path) {
        return path == ending || path.ends_with("/" + ending);
    });
}

// Values that makensis would read as its own ("${NSISDIR}", "$\n", "$(x)", "$0" ...) or Inno
// Setup as constants ("{app}") typed into Kit Binder's fields: the setup must carry each exactly
// as typed.
TEST(Compil32TypedValues, NamesComeOutOfTheSetupAsTyped) {
    if (!HasProgram("makensis") || !HasProgram("7z"))
        GTEST_SKIP() << "makensis or 7z is missing";
    std::vector<TypedFields> cases = DollarFieldCases();
    std::ranges::copy(BraceFieldCases(), std::back_inserter(cases));
    for (const TypedFields& fields : cases) {
        SCOPED_TRACE(fields.designer + " / " + fields.collection + " / " + fields.garment + " / " +
                     fields.version + " / " + fields.setupName);
        const GeneratedSetup built = BuildGeneratedSetup(fields, "x86-unicode");
        ASSERT_EQ(built.exitCode, 0) << built.output;
        ASSERT_TRUE(fs::is_regular_file(built.setup)) << built.output << built.setup;
        const std::vector<std::string> paths = ListedPaths(built.setup);
        const std::string folder =
            "Shared/Designers/" + fields.designer + "/" + fields.collection + "/";
        EXPECT_TRUE(Listed(paths, folder + fields.garment + ".mac"));
        EXPECT_TRUE(Listed(paths, folder + fields.garment + ".pdf"));
        EXPECT_TRUE(
            Listed(paths, "Uninstall " + fields.designer + " - " + fields.collection + ".exe"));
    }
}

}  // namespace
}  // namespace compiler::test
