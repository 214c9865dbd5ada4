// Build progress on a terminal rewrites one line per collection; in a pipe it writes plain lines.
#include <gtest/gtest.h>

#include <sstream>

#include "app/cli/build_progress.h"

namespace kb::cli {
namespace {

std::string Shown(bool terminal) {
    std::ostringstream out;
    BuildProgress progress(out, terminal, "Anna/Coats", 1, 2);
    progress.Step("Compiling the setup...");
    progress.Files(0, 3);
    progress.Files(2, 3);
    progress.Files(2, 3);
    progress.Pause();
    progress.End("built Coats.exe");
    return out.str();
}

TEST(BuildProgress, RewritesOneLineOnATerminalAndWritesPlainLinesElsewhere) {
    EXPECT_EQ(Shown(true),
              "[1/2] Anna/Coats: Compiling the setup..."
              "\r\033[K[1/2] Anna/Coats: Compiling the setup... 0/3 files"
              "\r\033[K[1/2] Anna/Coats: Compiling the setup... 2/3 files\n"
              "[1/2] Anna/Coats: built Coats.exe\n");
    EXPECT_EQ(Shown(false),
              "Anna/Coats: Compiling the setup...\n"
              "Anna/Coats: built Coats.exe\n");
}

}  // namespace
}  // namespace kb::cli
