// Build progress on a terminal rewrites one line per collection; in a pipe it writes plain lines.
#include <gtest/gtest.h>

#include <sstream>

#include "app/cli/build_progress.h"

namespace kb::cli {
namespace {

struct Shown {
    std::string progress;
    std::string results;
};

Shown BuildShown(bool terminal) {
    std::ostringstream progressStream;
    std::ostringstream resultStream;
    BuildProgress progress(progressStream, resultStream, terminal, "Anna/Coats", 1, 2);
    progress.Step("Compiling the setup...");
    progress.Files(0, 3);
    progress.Files(2, 3);
    progress.Files(2, 3);
    progress.Pause();
    progress.Step("Writing the manifest...");
    progress.End("built Coats.exe");
    return {progressStream.str(), resultStream.str()};
}

// The outcome is the only result; the steps are progress, and a terminal's line is cleared at
// the end so that the result stands alone when both streams share the terminal.
TEST(BuildProgress, StepsGoToProgressAndTheOutcomeToResults) {
    const Shown terminal = BuildShown(true);
    EXPECT_EQ(terminal.progress,
              "[1/2] Anna/Coats: Compiling the setup..."
              "\r\033[K[1/2] Anna/Coats: Compiling the setup... 0/3 files"
              "\r\033[K[1/2] Anna/Coats: Compiling the setup... 2/3 files\n"
              "[1/2] Anna/Coats: Writing the manifest..."
              "\r\033[K");
    EXPECT_EQ(terminal.results, "Anna/Coats: built Coats.exe\n");
    const Shown plain = BuildShown(false);
    EXPECT_EQ(plain.progress,
              "Anna/Coats: Compiling the setup...\n"
              "Anna/Coats: Writing the manifest...\n");
    EXPECT_EQ(plain.results, "Anna/Coats: built Coats.exe\n");
}

}  // namespace
}  // namespace kb::cli
