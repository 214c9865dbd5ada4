// Where the compiler stages a setup's files for makensis, and that a setup of many files, staged
// over several folders, still installs each file under its own name.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

#include "compiler/installer_compiler.h"
#include "tests/compiler/sample_setup.h"
#include "tests/support/temp_folder.h"

namespace compiler::test {
namespace {

namespace fs = std::filesystem;

// makensis reads the whole folder of each file it adds, so no staging folder may grow with the
// setup: that made big setups take time in the square of their files.
TEST(Compil32Staging, KeepsEachStagingFolderSmallWhateverTheNumberOfFiles) {
    for (const size_t count : {1, 17, 1000, 10000}) {
        SetupPlan plan;
        plan.outputDir = "/out";
        plan.files.resize(count);
        const NsisInputs inputs = PlanInputs(plan, "/stage", "x86-unicode", "00");
        ASSERT_EQ(inputs.fileSources.size(), count);
        std::set<std::string> unique;
        std::map<std::string, size_t> perFolder;
        for (const std::string& source : inputs.fileSources) {
            EXPECT_TRUE(source.starts_with("/stage/files/")) << source;
            unique.insert(source);
            ++perFolder[fs::path(source).parent_path().string()];
        }
        EXPECT_EQ(unique.size(), count) << "two files staged under one name";
        for (const auto& [folder, files] : perFolder)
            EXPECT_LE(files, 64u) << folder << " of a setup of " << count << " files";
    }
}

std::string ContentOf(int index) {
    std::string bytes = "file " + std::to_string(index) + "\n";
    bytes.append(static_cast<size_t>(index % 7) * 50, static_cast<char>('a' + index % 26));
    return bytes;
}

// Files in two install folders, with the same names in both, more than one staging folder holds.
TEST(Compil32Staging, SetupOfManyFilesInstallsEachByteForByte) {
    if (!HasProgram("makensis") || !HasProgram("7z"))
        GTEST_SKIP() << "makensis or 7z is missing";
    kb::test::TempFolder root;
    constexpr int kFiles = 70;
    std::string script =
        "[Setup]\nAppName=Many\nDefaultDirName={pf32}\\Many\nOutputBaseFilename=Many\n"
        "OutputDir=" +
        root.Path() + "/out\n\n[Files]\n";
    std::map<std::string, std::string> installed;  // install path below {app} -> content
    for (int i = 0; i < kFiles; ++i) {
        const std::string folder = i % 2 ? "Macros" : "Pictures";
        const std::string name = "Garment " + std::to_string(i / 2) + (i % 2 ? ".mac" : ".jpg");
        const std::string source = root.Path() + "/ws/" + std::to_string(i) + "/" + name;
        WriteBytes(source, ContentOf(i));
        script += "Source: \"" + source + "\"; DestDir: \"{app}\\" + folder + "\"; DestName: \"" +
                  name + "\"; Flags: ignoreversion\n";
        installed[folder + "/" + name] = ContentOf(i);
    }
    WriteBytes(root.Path() + "/Many.iss", script);
    CompileOptions options;
    options.sign = false;
    std::vector<std::string> warnings;
    const std::string setup = CompileSetupScript(root.Path() + "/Many.iss", options, warnings);

    const std::string unpacked = root.Path() + "/unpacked";
    const RunResult extracted = RunProgram({"7z", "x", "-y", "-o" + unpacked, setup});
    ASSERT_EQ(extracted.exitCode, 0) << extracted.output;
    size_t files = 0;
    for (const char* folder : {"Macros", "Pictures"})
        for (const fs::directory_entry& entry : fs::directory_iterator(unpacked + "/" + folder))
            files += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, installed.size());
    for (const auto& [path, content] : installed)
        EXPECT_EQ(ReadBytes(unpacked + "/" + path), content) << path;
}

}  // namespace
}  // namespace compiler::test
