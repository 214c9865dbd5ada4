// Times the collection scan of a large synthetic workspace against two I/O floors: reading every
// file the scan reads (macros and tables) once, and that plus listing every folder it looks in
// once. Also checks that loading a table takes time
// linear in its size. Prints the figures and their ratios.
#include <dirent.h>
#include <time.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>

#include "bench/workspace/synthetic_workspace.h"
#include "foundation/files.h"
#include "foundation/platform.h"
#include "workspace/macro_lines.h"
#include "workspace/macro_scan.h"
#include "workspace/mmt_data.h"
#include "workspace/workspace_paths.h"

namespace {

// Thread CPU time (user and system) in milliseconds: on a busy machine wall time mostly measures
// the wait for a processor.
double CpuMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// The best of several runs, in CPU milliseconds.
double BestOf(int runs, const std::function<void()>& work) {
    double best = 1e300;
    for (int run = 0; run < runs; ++run) {
        const double start = CpuMilliseconds();
        work();
        best = std::min(best, CpuMilliseconds() - start);
    }
    return best;
}

size_t ReadEveryFile(const std::vector<std::string>& files) {
    size_t bytes = 0;
    for (const std::string& file : files)
        bytes += kb::ReadTextFile(file).size();
    return bytes;
}

// Reads every entry of each folder once, as a bare listing does.
size_t ListEveryFolder(const std::vector<std::string>& folders) {
    size_t entries = 0;
    for (const std::string& folder : folders) {
        DIR* handle = opendir(folder.c_str());
        if (handle == nullptr)
            continue;
        while (readdir(handle) != nullptr)
            ++entries;
        closedir(handle);
    }
    return entries;
}

std::string TableOfRows(int rows) {
    std::string text = "Women\tcm\t1\n";
    for (int row = 0; row < rows; ++row)
        text += "Bust\t92.5\tBust girth\tbust_pic\n";
    return text;
}

// The plainest reading of a table that fills the same record: memchr for each field end,
// from_chars for the value; no checks beyond what the split needs.
void SplitTable(kb::MmtData& data, std::string_view text) {
    data.rowNames.clear();
    data.rowValues.clear();
    data.rowTexts.clear();
    data.rowPictures.clear();
    const char* at = text.data();
    const char* end = text.data() + text.size();
    auto field = [&](char stop) {
        const char* found = static_cast<const char*>(std::memchr(at, stop, size_t(end - at)));
        std::string_view value(at, size_t(found - at));
        at = found + 1;
        return value;
    };
    data.name = field('\t');
    data.headerField2 = field('\t');
    field('\n');
    while (at < end) {
        data.rowNames.emplace_back(field('\t'));
        const std::string_view value = field('\t');
        double number = 0;
        std::from_chars(value.data(), value.data() + value.size(), number);
        data.rowValues.push_back(number);
        data.rowTexts.emplace_back(field('\t'));
        data.rowPictures.emplace_back(field('\n'));
    }
}

// Lists every folder below folder, as find does, and reads every macro and table, as cat would;
// answers the bytes read.
size_t FindAndCat(const std::string& folder) {
    size_t bytes = 0;
    DIR* handle = opendir(folder.c_str());
    if (handle == nullptr)
        return 0;
    while (const dirent* entry = readdir(handle)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        const std::string path = folder + "/" + name;
        if (entry->d_type == DT_DIR)
            bytes += FindAndCat(path);
        else if (name.ends_with(".mac") || name.ends_with(".mmt"))
            bytes += kb::ReadTextFile(path).size();
    }
    closedir(handle);
    return bytes;
}

// A whole workspace: collections of the same garments sharing the tables, scanned one after the
// other as one run of the command line's check scans them, with and without sharing the tables;
// against listing every folder of the tree and reading every macro and table once.
void WholeWorkspace(const std::string& documents) {
    namespace fs = std::filesystem;
    constexpr int kCollections = 50;
    kb::bench::SyntheticShape shape;
    shape.garments = 200;
    const bool write = !fs::exists(fs::path(documents) / "Bobbinwright");
    kb::SetDocumentsFolder(documents);
    const auto workspace = kb::bench::MakeSyntheticWorkspace(documents, shape, write);
    std::vector<kb::ScanInputs> collections;
    for (int c = 0; c < kCollections; ++c) {
        const std::string name = workspace.collection + (c == 0 ? "" : std::to_string(c));
        const std::string path = kb::CollectionFolder(workspace.designer, name);
        if (write && c > 0)
            fs::copy(kb::CollectionFolder(workspace.designer, workspace.collection), path,
                     fs::copy_options::recursive);
        collections.push_back({{workspace.designer, name, kb::DesignersFolder(workspace.designer),
                                path, kb::MacroSourceFolder(0)},
                               workspace.garments,
                               {}});
    }
    size_t bytes = 0;
    const double floor = BestOf(3, [&] { bytes = FindAndCat(kb::WorkspaceRoot(false)); });
    const auto run = [&](bool share) {
        const std::shared_ptr<kb::ScanShare> shared = share ? kb::MakeScanShare() : nullptr;
        for (kb::ScanInputs inputs : collections) {
            inputs.share = shared;
            kb::DirectoryParserList list;
            kb::ScanCollection(inputs, list, true);
        }
    };
    const double sharedRun = BestOf(3, [&] { run(true); });
    const double ownRun = BestOf(3, [&] { run(false); });
    std::printf(
        "whole workspace: %d collections x %d garments, %d tables x %d rows, %zu bytes "
        "of macros and tables\n",
        kCollections, shape.garments, shape.tables, shape.rowsPerTable, bytes);
    std::printf(
        "check run / (find + cat): %.2f (scans sharing the tables %.1f ms, list every "
        "folder + read every macro and table %.1f ms CPU; goal: at most 2)\n",
        sharedRun / floor, sharedRun, floor);
    std::printf("check run without sharing / (find + cat): %.2f (%.1f ms CPU)\n", ownRun / floor,
                ownRun);
}

}  // namespace

// workspace_bench [documents folder]: with a folder, the synthetic workspace is kept there and
// reused by later runs; without, it is made in a temporary folder and removed afterwards.
int main(int argc, char** argv) {
    const bool keep = argc > 1;
    std::string folder =
        keep ? argv[1] : (std::filesystem::temp_directory_path() / "kb_scan_bench_XXXXXX").string();
    if (!keep && mkdtemp(folder.data()) == nullptr)
        return 1;
    kb::SetDocumentsFolder(folder);

    const kb::bench::SyntheticShape shape;
    const bool write = !std::filesystem::exists(std::filesystem::path(folder) / "Bobbinwright");
    const auto workspace = kb::bench::MakeSyntheticWorkspace(folder, shape, write);
    const kb::CurrentSelection selection{
        workspace.designer, workspace.collection, kb::DesignersFolder(workspace.designer),
        kb::CollectionFolder(workspace.designer, workspace.collection), kb::MacroSourceFolder(0)};
    const kb::ScanInputs inputs{selection, workspace.garments, {}};

    size_t bytes = 0;
    const double floor = BestOf(5, [&] { bytes = ReadEveryFile(workspace.readFiles); });
    size_t listed = 0;
    const double listing = BestOf(5, [&] { listed = ListEveryFolder(workspace.listedFolders); });
    size_t entries = 0;
    const double scan = BestOf(5, [&] {
        kb::DirectoryParserList list;
        kb::ScanCollection(inputs, list, true);
        entries = list.entries.size();
    });
    std::printf(
        "workspace: %d garments, %d tables x %d rows, %zu files read (%zu bytes), %zu "
        "folders listed (%zu entries), scan %zu entries\n",
        shape.garments, shape.tables, shape.rowsPerTable, workspace.readFiles.size(), bytes,
        workspace.listedFolders.size(), listed, entries);
    // One line per ratio, so that runs compare line by line.
    std::printf("scan / read: %.2f (scan %.2f ms, read each file once %.2f ms CPU)\n", scan / floor,
                scan, floor);
    std::printf(
        "scan / (read + list): %.2f (read %.2f ms + list each folder once %.2f ms CPU; "
        "goal: at most 1.5)\n",
        scan / (floor + listing), floor, listing);

    // Without the per-scan cache every measure_table line loads every table again and searches
    // the pictures of the named one: one such line costs about one fresh table lookup.
    const double oneLine = BestOf(3, [&] {
        kb::DirectoryParserList list;
        kb::ScanContext context(selection);
        kb::AddMeasureTable(list, "Table0", context);
    });
    std::printf(
        "one measure_table line on a fresh cache: %.2f ms CPU; uncached, the %d lines of "
        "this workspace would cost about %.0f ms (%.0fx the cached scan)\n",
        oneLine, shape.garments, oneLine * shape.garments, oneLine * shape.garments / scan);

    // Table loads: ten times the rows should take about ten times as long, and a load should
    // cost little more than splitting the text at its TABs and line ends.
    const std::string small = TableOfRows(20000);
    const std::string large = TableOfRows(200000);
    kb::MmtData data;
    const double smallTime = BestOf(5, [&] { kb::ParseMmt(data, small, "small.mmt"); });
    const double largeTime = BestOf(5, [&] { kb::ParseMmt(data, large, "large.mmt"); });
    std::printf(
        "table parse 20,000 rows: %.2f ms CPU, 200,000 rows: %.2f ms CPU, ratio %.1f (linear: "
        "10)\n",
        smallTime, largeTime, largeTime / smallTime);
    kb::MmtData split;
    const double splitTime = BestOf(5, [&] { SplitTable(split, large); });
    std::printf(
        "memchr split of 200,000 rows: %.2f ms CPU; ParseMmt / split: %.2f (goal: at "
        "most 2)\n",
        splitTime, largeTime / splitTime);

    // Hostile inputs: each must read as no match, quickly.
    const std::string hostileLine =
        "add_picture_input(" + std::string(8000, '"') + std::string(8000, ',');
    const double lineTime = BestOf(5, [&] {
        kb::PictureInputName(hostileLine);
        kb::PictItemName(hostileLine);
        kb::MeasureTableName(hostileLine);
    });
    const std::string noTable = "a\tb\t" + std::string(20 << 20, 'x');
    const double noTableTime = BestOf(3, [&] { kb::ParseMmt(data, noTable, "junk.mmt"); });
    std::printf(
        "16,000-character hostile macro line: %.3f ms CPU; 20 MB non-table: %.2f ms CPU "
        "(goal: each under 100 ms)\n",
        lineTime, noTableTime);

    WholeWorkspace((std::filesystem::path(folder) / "whole").string());

    if (!keep)
        kb::DeleteFolderTree(folder);
    return 0;
}
