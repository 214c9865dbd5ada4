#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "compiler/nsis_writer.h"
#include "tests/compiler/sample_setup.h"

namespace compiler {
namespace {

namespace fs = std::filesystem;

TEST(CompressorFor, ChoosesZlibWhenCompressedFormatsHoldHalfTheBytes) {
    const fs::path folder = fs::temp_directory_path() / "kb_compressor_test";
    fs::create_directories(folder);
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, size_t>> files;  // name, size
        const char* compressor;
    };
    const Case cases[] = {
        {"texts only", {{"a.mac", 900}, {"a.txt", 100}}, "/SOLID lzma"},
        {"mostly pictures", {{"a.jpg", 700}, {"a.mac", 300}}, "zlib"},
        {"half PDF, upper-case extension", {{"a.PDF", 500}, {"a.txt", 500}}, "zlib"},
        {"a few small pictures among texts",
         {{"a.jpg", 100}, {"b.png", 100}, {"a.mac", 800}},
         "/SOLID lzma"},
        {"no files", {}, "/SOLID lzma"},
        {"missing files count for nothing", {{"a.mac", 10}}, "/SOLID lzma"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> sources;
        for (const auto& [name, size] : c.files) {
            const fs::path path = folder / name;
            std::ofstream(path, std::ios::binary) << std::string(size, 'x');
            sources.push_back(path.string());
        }
        if (std::string(c.what) == "missing files count for nothing")
            sources.push_back((folder / "gone.jpg").string());
        EXPECT_EQ(CompressorFor(sources), c.compressor) << c.what;
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    fs::remove_all(folder);
}

// The compiler names each file as makensis adds it, one "File: " line each, so that a caller can
// show how far the build is.
TEST(Compil32Progress, NamesEachFileAsItIsAdded) {
    const fs::path root = fs::temp_directory_path() / "kb_compil32_progress";
    fs::remove_all(root);
    const test::SampleSetup sample = test::MakeSampleSetup(root.string());
    const test::RunResult compiled = test::RunProgram({KB_COMPIL32_EXE, "/cc", sample.script});
    ASSERT_EQ(compiled.exitCode, 0) << compiled.output;
    size_t lines = 0;
    for (size_t at = compiled.output.find("\nFile: "); at != std::string::npos;
         at = compiled.output.find("\nFile: ", at + 1))
        ++lines;
    lines += compiled.output.starts_with("File: ") ? 1 : 0;
    EXPECT_EQ(lines, sample.files.size()) << compiled.output;
    fs::remove_all(root);
}

}  // namespace
}  // namespace compiler
