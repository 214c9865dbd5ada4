// Times the installer script of a collection of 250 and of 1,000 garments, each macro naming a
// measurement table and a picture, and prints how far the time per garment grows with size.
// The build is also timed without the macro copies, which replace one file per garment on disk
// and so measure the disk more than the generator.
#include <cstdio>
#include <string>
#include <vector>

#include "bench/common/bench_timing.h"
#include "setup/setup_script.h"
#include "tests/support/sample_collection.h"

namespace {

using kb::test::SampleCollection;

struct Timing {
    double milliseconds = 0;        // the whole build
    double noCopyMilliseconds = 0;  // the same with the macro copies left out
    size_t scriptBytes = 0;
};

Timing TimeBuild(int garmentCount) {
    SampleCollection sample("Anna", "Coats");
    sample.Write(sample.DesignerFile("Website.txt"), "www.anna-patterns.example");
    sample.Write(sample.WorkspaceFile("MeasureTables/Women.mmt"),
                 "Women\tcm\tx\nBust\t92.5\tB\tbust\nWaist\t70\tW\twaist\n");
    sample.Write(sample.WorkspaceFile("MeasureTables/Women.pdf"));
    sample.Write(sample.WorkspaceFile("MeasurePictures/bust.jpg"));
    std::vector<std::string> garments;
    for (int i = 0; i < garmentCount; ++i) {
        const std::string name = "Coat" + std::to_string(i);
        sample.AddGarment(
            name, "measure_table(\"Women\")\nadd_pict_item(1, \"" + name + "_front.bmp\")\n");
        sample.Write(sample.CollectionFile(name + ".jpg"));
        sample.Write(sample.CollectionFile(name + ".pdf"));
        sample.Write(sample.CollectionFile(name + "_front.jpg"));
        garments.push_back(name);
    }
    Timing timing;
    timing.milliseconds = kb::bench::BestOf(5, [&] {
        timing.scriptBytes =
            kb::BuildSetupScript(sample.data, kb::MakeScanInputs(garments), "Coats").size();
    });
    // A macro source folder that is the collection folder itself makes every copy a no-op.
    kb::CurrentSelection selection = kb::CurrentSelectionSnapshot();
    selection.macroSourceFolder = selection.collectionFolder;
    kb::SetCurrentSelection(selection);
    timing.noCopyMilliseconds = kb::bench::BestOf(
        5, [&] { kb::BuildSetupScript(sample.data, kb::MakeScanInputs(garments), "Coats"); });
    return timing;
}

void Print(int garments, const Timing& timing) {
    std::printf(
        "BuildSetupScript, %4d garments: %8.2f ms; without the macro copies %7.2f ms "
        "(%zu bytes of script)\n",
        garments, timing.milliseconds, timing.noCopyMilliseconds, timing.scriptBytes);
}

double PerGarment(double milliseconds, int garments) {
    return milliseconds / garments;
}

}  // namespace

int main() {
    const Timing small = TimeBuild(250);
    const Timing large = TimeBuild(1000);
    Print(250, small);
    Print(1000, large);
    std::printf("time per garment, 1,000 against 250: %.2f (1.00 is linear)\n",
                PerGarment(large.milliseconds, 1000) / PerGarment(small.milliseconds, 250));
    std::printf(
        "the same without the macro copies:   %.2f\n",
        PerGarment(large.noCopyMilliseconds, 1000) / PerGarment(small.noCopyMilliseconds, 250));
    kb::bench::PrintRatios({{"script per garment at 1,000", PerGarment(large.milliseconds, 1000),
                             "at 250", PerGarment(small.milliseconds, 250), "ms"}});
    return 0;
}
