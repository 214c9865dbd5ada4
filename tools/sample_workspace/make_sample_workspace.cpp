// make_sample_workspace <documents folder>: writes the sample workspace below
// <documents folder>/Bobbinwright/Personal Files and prints its root.
#include <cstdio>
#include <exception>

#include "tools/sample_workspace/sample_workspace.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <documents folder>\n", argv[0]);
        return 2;
    }
    try {
        std::printf("%s\n", kb::MakeSampleWorkspace(argv[1]).c_str());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make_sample_workspace: %s\n", error.what());
        return 1;
    }
    return 0;
}
