// Times the refresh of 1,000 macro copies that already match their sources, the way a second
// Create Setup of an unchanged collection finds them: rewriting every copy against comparing
// the bytes first and rewriting none. Both are measured in the same run; the ratio is the figure.
#include <cstdio>
#include <string>
#include <vector>

#include "bench/common/bench_timing.h"
#include "foundation/files.h"
#include "setup/setup_script.h"
#include "tests/support/sample_collection.h"

namespace {

using kb::test::SampleCollection;

constexpr int kGarments = 1000;

}  // namespace

int main() {
    SampleCollection sample("Anna", "Coats");
    std::vector<std::string> garments;
    // A macro of a few kilobytes, as real garments are.
    std::string macro;
    for (int line = 0; line < 80; ++line) {
        macro += "add_picture_input(1, 2, \"Measure" + std::to_string(line) + "\")\n";
    }
    for (int i = 0; i < kGarments; ++i) {
        const std::string name = "Coat" + std::to_string(i);
        sample.AddGarment(name, macro + name + "\n");
        garments.push_back(name);
    }
    const double rewriteAll = kb::bench::BestOf(5, [&] {
        for (const std::string& garment : garments) {
            kb::CopyFile(sample.SourceFile(garment + ".mac"),
                         sample.CollectionFile(garment + ".mac"), true);
        }
    });
    const double compareFirst = kb::bench::BestOf(
        5, [&] { kb::RefreshMacroCopies(kb::CurrentSelectionSnapshot(), garments); });
    std::printf(
        "RefreshMacroCopies, %d unchanged garments: rewrite all %8.2f ms, compare first "
        "%8.2f ms (%.1fx faster)\n",
        kGarments, rewriteAll, compareFirst, rewriteAll / compareFirst);
    kb::bench::PrintRatios(
        {{"macro copies, compare first", compareFirst, "rewrite all", rewriteAll, "ms"}});
    return 0;
}
