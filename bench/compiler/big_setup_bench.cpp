// Builds the setup of a collection of small files (a macro, two pictures, a PDF and a note per
// garment, in one install folder per kind) at 300, 1,000, 3,000 and 10,000 files with the
// installer compiler, and prints the build time per file at each size and the ratio of the
// largest size's per-file time to the smallest's: near 1 when the build grows linearly.
// Pictures and PDFs make up most of the bytes, so the compiler packs them with zlib, the fast
// compressor, and the compression does not hide how the rest scales.
//   compiler_big_setup_bench [files ...]   (sizes other than the default ones)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bench/common/bench_timing.h"
#include "compiler/installer_compiler.h"

namespace {

namespace fs = std::filesystem;

struct Kind {
    const char* folder;     // below the collection and below {app}
    const char* extension;  // of the file
    size_t bytes;
};

constexpr Kind kKinds[] = {
    {"Macros", ".mac", 400},     {"Pictures", ".jpg", 1500}, {"Thumbnails", ".png", 600},
    {"Documents", ".pdf", 1200}, {"Notes", ".txt", 200},
};

void WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream stream(path, std::ios::binary | std::ios::trunc);
    stream << bytes;
    if (!stream.flush()) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
}

// Writes the collection's files and its script; answers the script's path.
fs::path WriteCollection(const fs::path& root, int files) {
    std::mt19937_64 random(static_cast<unsigned>(files));
    std::string script =
        "[Setup]\nAppName=Big Collection\nAppVersion=1.0\n"
        "DefaultDirName={pf32}\\Bobbinwright Software\\Big\nOutputBaseFilename=Big\n"
        "OutputDir=" +
        (root / "Output").string() + "\n\n[Files]\n";
    for (const Kind& kind : kKinds)
        fs::create_directories(root / kind.folder);
    for (int i = 0; i < files; ++i) {
        const Kind& kind = kKinds[i % std::size(kKinds)];
        const std::string name = "Garment" + std::to_string(i / std::size(kKinds)) + kind.extension;
        std::string bytes(kind.bytes, '\0');
        for (char& byte : bytes)
            byte = static_cast<char>(random());
        WriteFile(root / kind.folder / name, bytes);
        script += "Source: \"" + (root / kind.folder / name).string() + "\"; DestDir: \"{app}\\" +
                  kind.folder + "\"; Flags: ignoreversion\n";
    }
    const fs::path path = root / "Big.iss";
    WriteFile(path, script);
    return path;
}

double BuildSeconds(const fs::path& script) {
    compiler::CompileOptions options;
    options.sign = false;
    std::vector<std::string> warnings;
    const auto start = std::chrono::steady_clock::now();
    try {
        compiler::CompileSetupScript(script.string(), options, warnings);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        std::exit(1);
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The median of a few builds; the large sizes once, as they take long enough to be steady.
double MedianSeconds(const fs::path& script, int files) {
    std::vector<double> runs;
    for (int run = 0; run < (files <= 3000 ? 3 : 1); ++run)
        runs.push_back(BuildSeconds(script));
    std::ranges::sort(runs);
    return runs[runs.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<int> sizes = {300, 1000, 3000, 10000};
    if (argc > 1) {
        sizes.clear();
        for (int i = 1; i < argc; ++i)
            sizes.push_back(std::atoi(argv[i]));
    }
    const fs::path root = fs::temp_directory_path() /
                          ("kb_big_setup_bench_" + std::to_string(std::random_device()()));
    std::vector<double> perFile;
    for (int files : sizes) {
        const fs::path folder = root / std::to_string(files);
        const double seconds = MedianSeconds(WriteCollection(folder, files), files);
        perFile.push_back(seconds / files);
        std::printf("%6d files: %7.2f s, %6.3f ms per file\n", files, seconds,
                    1000 * perFile.back());
        std::fflush(stdout);
        fs::remove_all(folder);
    }
    fs::remove_all(root);
    if (perFile.size() > 1)
        std::printf("per-file time, %d files / %d files: %.2f\n", sizes.back(), sizes.front(),
                    perFile.back() / perFile.front());
    if (perFile.size() > 1)
        kb::bench::PrintRatios(
            {{"per-file build time at " + std::to_string(sizes.back()) + " files",
              1000 * perFile.back(), "at " + std::to_string(sizes.front()), 1000 * perFile.front(),
              "ms"}});
    return 0;
}
