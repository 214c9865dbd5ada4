// Setups that can be trusted: two builds of the same sources are the same bytes, whatever the
// folder and the clock; the manifest beside the setup lists what it holds.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <sstream>
#include <thread>

#include "compiler/diagnostics.h"
#include "compiler/reproducible.h"
#include "foundation/setup_manifest.h"
#include "tests/compiler/sample_setup.h"
#include "tests/support/temp_folder.h"

namespace compiler::test {
namespace {

namespace fs = std::filesystem;

// Every file of the sample's workspace gets the time, as a checkout or a copy might give it.
void TouchWorkspace(const SampleSetup& sample, std::int64_t time) {
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(sample.workspace))
        if (entry.is_regular_file())
            SetFileTime(entry.path().string(), time);
}

// Compiles with settings of its own (no signing certificate configured).
RunResult Compile(const SampleSetup& sample, std::vector<std::string> environment) {
    environment.push_back("XDG_CONFIG_HOME=" + sample.workspace + "/no-settings");
    return RunProgram({KB_COMPIL32_EXE, "/cc", sample.script}, environment);
}

std::uint32_t Little32(const std::string& bytes, size_t at) {
    std::uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i)
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    return value;
}

class Compil32Reproducible : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!HasProgram("makensis") || !HasProgram("7z") || !HasProgram("sha256sum"))
            GTEST_SKIP() << "makensis, 7z or sha256sum is missing";
        first_ = MakeSampleSetup(firstRoot_ / "one folder");
        second_ = MakeSampleSetup(secondRoot_ / "another");
    }

    kb::test::TempFolder firstRoot_, secondRoot_;
    SampleSetup first_, second_;
};

// Table: how the two builds differ, and whether their setups must be equal.
TEST_F(Compil32Reproducible, SameSourcesGiveTheSameBytesInAnyFolderAtAnyTime) {
    struct Case {
        const char* what;
        std::int64_t firstTouch, secondTouch;  // the sources' times
        std::string firstEpoch, secondEpoch;   // SOURCE_DATE_EPOCH, "" for unset
        bool same;
    };
    const Case cases[] = {
        // An empty SOURCE_DATE_EPOCH counts as unset.
        {"same source times, no epoch", 1893456000, 1893456000, "", "", true},
        {"other source times, same epoch", 1893456000, 1893459600, "1700000000", "1700000000",
         true},
        {"other source times, no epoch", 1893456000, 1893459600, "", "", false},
        {"same source times, other epoch", 1893456000, 1893456000, "1700000000", "1700000001",
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TouchWorkspace(first_, c.firstTouch);
        TouchWorkspace(second_, c.secondTouch);
        const auto epoch = [](const std::string& value) {
            return std::vector<std::string>{"SOURCE_DATE_EPOCH=" + value};
        };
        const RunResult one = Compile(first_, epoch(c.firstEpoch));
        ASSERT_EQ(one.exitCode, 0) << one.output;
        // A later clock for the second build.
        std::this_thread::sleep_for(std::chrono::milliseconds(1100));
        const RunResult two = Compile(second_, epoch(c.secondEpoch));
        ASSERT_EQ(two.exitCode, 0) << two.output;
        EXPECT_EQ(ReadBytes(first_.setup) == ReadBytes(second_.setup), c.same);
        EXPECT_EQ(ReadBytes(first_.setup + ".sha256") == ReadBytes(second_.setup + ".sha256"),
                  c.same);
    }
}

TEST_F(Compil32Reproducible, TheSetupCarriesTheEpochInItsHeaderAndItsFiles) {
    const RunResult compiled = Compile(first_, {"SOURCE_DATE_EPOCH=1700000000"});
    ASSERT_EQ(compiled.exitCode, 0) << compiled.output;
    std::string bytes = ReadBytes(first_.setup);
    const size_t pe = Little32(bytes, 0x3C);
    EXPECT_EQ(Little32(bytes, pe + 8), 1700000000u);
    const size_t checksum = pe + 4 + 20 + 64;
    const std::uint32_t stored = Little32(bytes, checksum);
    bytes.replace(checksum, 4, 4, '\0');
    EXPECT_EQ(stored, PeChecksum(bytes));
    EXPECT_NE(stored, 0u);

    // 7z shows each packed file's time in UTC: 2023-11-14 22:13:20 (none for the uninstaller
    // and the plug-ins, which makensis packs without a time).
    const RunResult listing = RunProgram({"7z", "l", "-slt", first_.setup}, {"TZ=UTC"});
    int files = 0;
    std::istringstream lines(listing.output);
    for (std::string line; std::getline(lines, line);)
        if (line.starts_with("Modified = ") && line != "Modified = ") {
            ++files;
            EXPECT_TRUE(line.starts_with("Modified = 2023-11-14 22:13:20")) << line;
        }
    EXPECT_GE(files, static_cast<int>(first_.files.size()));
}

TEST_F(Compil32Reproducible, BadEpochIsAnErrorThatNamesIt) {
    for (const std::string value : {"soon", "-5", "1e9", "99999999999"}) {
        const RunResult compiled = Compile(first_, {"SOURCE_DATE_EPOCH=" + value});
        EXPECT_EQ(compiled.exitCode, 1) << value;
        EXPECT_NE(compiled.output.find("SOURCE_DATE_EPOCH"), std::string::npos) << value;
        EXPECT_NE(compiled.output.find(value), std::string::npos) << compiled.output;
        EXPECT_FALSE(fs::exists(first_.setup)) << value;
    }
}

// The manifest's hashes, recomputed with sha256sum: the setup's own line checks with
// "sha256sum -c", and each installed file, unpacked by 7z, has the listed digest and size.
TEST_F(Compil32Reproducible, ManifestListsTheSetupAndEveryInstalledFile) {
    const RunResult compiled = Compile(first_, {});
    ASSERT_EQ(compiled.exitCode, 0) << compiled.output;
    const std::string manifest = first_.setup + ".sha256";
    ASSERT_TRUE(fs::is_regular_file(manifest));
    const RunResult checked =
        RunProgram({"sh", "-c", "cd \"$0\" && sha256sum -c --strict Coats.exe.sha256",
                    fs::path(manifest).parent_path()});
    EXPECT_EQ(checked.exitCode, 0) << checked.output;
    EXPECT_NE(checked.output.find("Coats.exe: OK"), std::string::npos) << checked.output;

    const std::string unpacked = firstRoot_ / "unpacked";
    ASSERT_EQ(RunProgram({"7z", "x", "-y", "-o" + unpacked, first_.setup}).exitCode, 0);
    std::map<std::string, std::string> listed;  // install path -> "<digest> <size>"
    std::istringstream lines(ReadBytes(manifest));
    for (std::string line; std::getline(lines, line);) {
        if (!line.starts_with("# file "))
            continue;
        const size_t digestEnd = line.find(' ', 7);
        const size_t sizeEnd = line.find(' ', digestEnd + 1);
        listed[line.substr(sizeEnd + 1)] = line.substr(7, sizeEnd - 7);
    }
    EXPECT_NE(ReadBytes(manifest).find("# signed: no\n"), std::string::npos);
    ASSERT_EQ(listed.size(), first_.files.size());
    for (const SampleFile& file : first_.files) {
        const std::string local = unpacked + "/" + file.installPath;
        const std::string sum = RunProgram({"sha256sum", local}).output.substr(0, 64);
        const std::string expected = sum + " " + std::to_string(fs::file_size(local));
        EXPECT_EQ(listed["{app}\\" + ReplaceAll(file.installPath, "/", "\\")], expected)
            << file.installPath;
    }
}

// A build that fails leaves the setup and manifest of the earlier build as they were, with
// nothing part-written beside them.
TEST_F(Compil32Reproducible, FailedBuildKeepsTheEarlierSetupAndManifest) {
    ASSERT_EQ(Compile(first_, {}).exitCode, 0);
    const std::string setup = ReadBytes(first_.setup);
    const std::string manifest = ReadBytes(first_.setup + ".sha256");
    const RunResult failed = RunProgram({KB_COMPIL32_EXE, "/cc", first_.script}, {"PATH=/none"});
    EXPECT_EQ(failed.exitCode, 1) << failed.output;
    EXPECT_EQ(ReadBytes(first_.setup), setup);
    EXPECT_EQ(ReadBytes(first_.setup + ".sha256"), manifest);
    for (const fs::directory_entry& entry :
         fs::directory_iterator(fs::path(first_.setup).parent_path()))
        EXPECT_EQ(entry.path().string().find(".part"), std::string::npos) << entry.path();
}

}  // namespace
}  // namespace compiler::test

namespace compiler::test {
namespace {

// Files that are no PE program are refused with their name, and left as they were.
TEST(Compil32PeStamp, RefusesFilesWithoutAPeHeader) {
    kb::test::TempFolder root;
    std::string header = "MZ" + std::string(0x3A, '\0') + std::string("\x40\0\0\0", 4);
    const std::pair<const char*, std::string> cases[] = {
        {"empty", ""},
        {"no MZ", "ZM" + std::string(200, '\0')},
        {"PE offset past the end", "MZ" + std::string(0x3A, '\0') + std::string("\xFF\xFF\0\0", 4)},
        {"no PE signature", header + "NE" + std::string(200, '\0')},
        {"header cut short", header + std::string("PE\0\0", 4) + std::string(40, '\0')},
    };
    for (const auto& [what, bytes] : cases) {
        const std::string path = root / what;
        WriteBytes(path, bytes);
        try {
            StampPeHeader(path, 1700000000);
            ADD_FAILURE() << what;
        } catch (const CompileError& error) {
            EXPECT_NE(std::string(error.what()).find(path), std::string::npos) << what;
        }
        EXPECT_EQ(ReadBytes(path), bytes) << what;
    }
}

}  // namespace
}  // namespace compiler::test

namespace compiler::test {
namespace {

// A configured value with a line break cannot add a line that sha256sum would check.
TEST(Compil32Manifest, SignatureTextStaysOnItsCommentLine) {
    kb::Manifest manifest;
    manifest.setupName = "Coats.exe";
    manifest.setup = {std::string(64, 'a'), 12};
    manifest.signature = "yes, time stamp: http://ts\n" + std::string(64, 'b') + "  Coats.exe";
    manifest.files = {{"{app}\\x.mac", {std::string(64, 'c'), 3}}};
    const std::string text = kb::ManifestText(manifest);
    std::istringstream lines(text);
    int unhashed = 0;
    for (std::string line; std::getline(lines, line);)
        unhashed += line.starts_with("#") ? 0 : 1;
    EXPECT_EQ(unhashed, 1) << text;
    EXPECT_NE(text.find("# file " + std::string(64, 'c') + " 3 {app}\\x.mac\n"), std::string::npos);
}

}  // namespace
}  // namespace compiler::test
