// Measurement-table rows parsed by start offsets (views, no copy) against copying the rest of
// the text after every row, and the path splits in a million-call loop against splitting by
// pattern. Prints each pair's ratio at the end.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/common/bench_timing.h"
#include "foundation/paths.h"
#include "foundation/regular_exp.h"

namespace {

constexpr const char* kRowPattern = "(.*?)\t(.*?)\t(.*?)\t(.*?)\n(.*)";
constexpr size_t kRows = 200000;
constexpr size_t kCopyRows = 10000;  // copy-the-rest is quadratic; measured small, scaled up
constexpr size_t kSplits = 1000000;

double offsetSeconds = 0;  // for kRows rows
double copySeconds = 0;    // for kCopyRows rows
double splitSeconds = 0;
double patternSplitSeconds = 0;

std::string Table(size_t rows) {
    std::string text;
    for (size_t i = 0; i < rows; ++i) {
        text += "Measure" + std::to_string(i) + "\t" + std::to_string(i % 97) + ".5\tcm\tpic" +
                std::to_string(i) + ".jpg\n";
    }
    return text;
}

template <typename Body>
double Timed(Body body) {
    return kb::bench::Milliseconds(body) / 1e3;
}

// Times parse (which answers the number of rows it read) over a table of rows rows.
template <typename Parse>
void MeasureRows(benchmark::State& state, size_t rows, double& seconds, Parse parse) {
    std::string text = Table(rows);
    for (auto _ : state) {
        size_t read = 0;
        seconds = Timed([&] { read = parse(text); });
        if (read != rows)
            state.SkipWithError("wrong row count");
    }
    state.counters["rows"] = static_cast<double>(rows);
}

void RowsByOffset(benchmark::State& state) {
    MeasureRows(state, kRows, offsetSeconds, [](const std::string& text) {
        kb::RegularExp row(kRowPattern);
        std::string_view rest = text;
        size_t rows = 0;
        for (; row.Find(rest, true); ++rows) {
            benchmark::DoNotOptimize(row.GroupView(1));
            rest = rest.substr(row.GroupStart(5));
        }
        return rows;
    });
}
BENCHMARK(RowsByOffset)->Iterations(1)->Unit(benchmark::kMillisecond);

void RowsByCopyingTheRest(benchmark::State& state) {
    MeasureRows(state, kCopyRows, copySeconds, [](const std::string& text) {
        kb::RegularExp row(kRowPattern);
        std::string rest = text;
        size_t rows = 0;
        for (row.MatchSingleLine(rest); row.matched; row.MatchSingleLine(rest), ++rows) {
            rest = row.Group(5);
        }
        return rows;
    });
}
BENCHMARK(RowsByCopyingTheRest)->Iterations(1)->Unit(benchmark::kMillisecond);

std::vector<std::string> SamplePaths() {
    return {"C:\\Users\\anna\\Documents\\Kitbinder\\Designers\\Anna\\Summer\\coat.mac",
            "/home/anna/Documents/Kitbinder/Patterns/dress.jpg", "plain.txt",
            "/home/anna/Documents/Kitbinder/MeasureTables/Women.mmt"};
}

void PathSplits(benchmark::State& state) {
    std::vector<std::string> paths = SamplePaths();
    for (auto _ : state) {
        splitSeconds = Timed([&] {
            for (size_t i = 0; i < kSplits; ++i) {
                const std::string& path = paths[i % paths.size()];
                benchmark::DoNotOptimize(kb::FolderOf(path));
                benchmark::DoNotOptimize(kb::NameOf(path));
                benchmark::DoNotOptimize(kb::ExtensionOf(path));
            }
        });
    }
    state.counters["calls"] = 3.0 * kSplits;
}
BENCHMARK(PathSplits)->Iterations(1)->Unit(benchmark::kMillisecond);

// The same splits done by matching "(.*)[\\/](.*)" and "(.*)[.](.*)" per call.
void PathSplitsByPattern(benchmark::State& state) {
    std::vector<std::string> paths = SamplePaths();
    for (auto _ : state) {
        patternSplitSeconds = Timed([&] {
            kb::RegularExp split("(.*)[\\\\/](.*)");
            kb::RegularExp extension("(.*)[.](.*)");
            for (size_t i = 0; i < kSplits; ++i) {
                const std::string& path = paths[i % paths.size()];
                split.Match(path);
                benchmark::DoNotOptimize(split.Group(1));
                benchmark::DoNotOptimize(split.Group(2));
                extension.Match(path);
                benchmark::DoNotOptimize(extension.Group(2));
            }
        });
    }
    state.counters["calls"] = 3.0 * kSplits;
}
BENCHMARK(PathSplitsByPattern)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (offsetSeconds > 0 && copySeconds > 0) {
        double scale = static_cast<double>(kRows) / kCopyRows;
        double copyScaled = copySeconds * scale * scale;
        std::printf(
            "table rows: %zu by offset %.3f s; copy-the-rest %zu rows %.3f s, "
            "scaled to %zu rows (quadratic) %.1f s; ratio %.0fx\n",
            kRows, offsetSeconds, kCopyRows, copySeconds, kRows, copyScaled,
            copyScaled / offsetSeconds);
        kb::bench::PrintRatios({{"table rows by offset", offsetSeconds * 1e3,
                                 "copy-the-rest scaled", copyScaled * 1e3, "ms"}});
    }
    if (splitSeconds > 0 && patternSplitSeconds > 0) {
        std::printf(
            "path splits: %zu x 3 calls %.3f s (%.1f ns/call); by pattern %.3f s; "
            "ratio %.1fx\n",
            kSplits, splitSeconds, splitSeconds * 1e9 / (3.0 * kSplits), patternSplitSeconds,
            patternSplitSeconds / splitSeconds);
        kb::bench::PrintRatios(
            {{"path splits", splitSeconds * 1e3, "by pattern", patternSplitSeconds * 1e3, "ms"}});
    }
    return 0;
}
