// Builds the same setups with "SetCompressor /SOLID lzma" (the compressor every setup used
// before) and with zlib, for a picture-heavy collection (320 files, 15.6 MB of incompressible
// data as pictures and PDFs) and a text-heavy one (320 macros and texts), and prints the time
// and setup size of each, and of the compressor the installer compiler chooses, against LZMA.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bench/common/bench_timing.h"
#include "compiler/nsis_writer.h"

namespace {

namespace fs = std::filesystem;

struct Build {
    double seconds = 0;
    std::uintmax_t bytes = 0;
};

void WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<std::string> PictureCollection(const fs::path& folder) {
    std::mt19937_64 random(7);
    std::vector<std::string> files;
    constexpr std::uintmax_t kTotal = 15600000;
    constexpr int kCount = 320;
    for (int i = 0; i < kCount; ++i) {
        std::string bytes(kTotal / kCount, '\0');
        for (char& byte : bytes)
            byte = static_cast<char>(random());
        const fs::path path = folder / ("Picture" + std::to_string(i) + (i % 4 ? ".jpg" : ".pdf"));
        WriteFile(path, bytes);
        files.push_back(path.string());
    }
    return files;
}

std::vector<std::string> TextCollection(const fs::path& folder) {
    static const char* const kWords[] = {"add_picture_input",
                                         "measure_table",
                                         "add_pict_item",
                                         "point",
                                         "line",
                                         "curve",
                                         "Bust",
                                         "Waist",
                                         "Hip",
                                         "length",
                                         "width",
                                         "front",
                                         "back",
                                         "sleeve",
                                         "collar",
                                         "(",
                                         ")",
                                         "\"",
                                         ",",
                                         "=",
                                         "+",
                                         "0.5",
                                         "12"};
    std::mt19937 random(11);
    std::vector<std::string> files;
    for (int i = 0; i < 320; ++i) {
        std::string text;
        while (text.size() < 12000) {
            text += kWords[random() % std::size(kWords)];
            text += random() % 9 ? " " : "\n";
        }
        const fs::path path = folder / ("Garment" + std::to_string(i) + (i % 2 ? ".mac" : ".txt"));
        WriteFile(path, text);
        files.push_back(path.string());
    }
    return files;
}

Build MakeSetup(const fs::path& folder, const std::vector<std::string>& files,
                const std::string& compressor) {
    const fs::path script = folder / "setup.nsi";
    const fs::path setup = folder / "setup.exe";
    std::string text = "Unicode true\nSetCompressor " + compressor + "\nOutFile \"" +
                       setup.string() +
                       "\"\nRequestExecutionLevel user\nInstallDir \"$TEMP\\bench\"\n"
                       "Section\nSetOutPath $INSTDIR\n";
    for (const std::string& file : files)
        text += "File \"" + file + "\"\n";
    text += "SectionEnd\n";
    WriteFile(script, text);
    const std::string command = "makensis -V1 '" + script.string() + "' > /dev/null";
    const auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "makensis failed on %s\n", script.c_str());
        std::exit(1);
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    return {took.count(), fs::file_size(setup)};
}

void Compare(const char* what, const fs::path& folder, const std::vector<std::string>& files) {
    const Build lzma = MakeSetup(folder, files, "/SOLID lzma");
    const Build zlib = MakeSetup(folder, files, "zlib");
    const std::string chosen = compiler::CompressorFor(files);
    const Build& mine = chosen == "zlib" ? zlib : lzma;
    std::printf("%s: /SOLID lzma %.2f s, %ju bytes; zlib %.2f s, %ju bytes\n", what, lzma.seconds,
                lzma.bytes, zlib.seconds, zlib.bytes);
    std::printf("  chosen \"%s\": %.1fx as fast as lzma, setup %+.2f%% in size\n", chosen.c_str(),
                lzma.seconds / mine.seconds,
                100.0 * (static_cast<double>(mine.bytes) / static_cast<double>(lzma.bytes) - 1));
    kb::bench::PrintRatios({{std::string(what) + ", chosen " + chosen, mine.seconds * 1e3, "lzma",
                             lzma.seconds * 1e3, "ms"}});
}

}  // namespace

int main() {
    const fs::path root = fs::temp_directory_path() /
                          ("kb_compressor_bench_" + std::to_string(std::random_device()()));
    for (const char* kind : {"pictures", "texts"})
        fs::create_directories(root / kind);
    Compare("picture-heavy, 320 files, 15.6 MB", root / "pictures",
            PictureCollection(root / "pictures"));
    Compare("text-heavy, 320 files, 3.8 MB", root / "texts", TextCollection(root / "texts"));
    fs::remove_all(root);
    return 0;
}
