// make_sample_workspace [--] <documents folder>: writes the sample workspace below
// <documents folder>/Bobbinwright/Personal Files and prints its root.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "tools/sample_workspace/sample_workspace.h"

namespace {

constexpr const char* kUsage =
    "usage: make_sample_workspace [--] <documents folder>\n"
    "Writes a sample workspace below <documents folder>/Bobbinwright/Personal Files\n"
    "and prints its root.\n";

// Whether everything written to standard output reached it.
bool OutputWritten() {
    return std::fflush(stdout) == 0 && std::ferror(stdout) == 0;
}

int Fail(const std::string& message, int code) {
    std::fprintf(stderr, "make_sample_workspace: %s\n", message.c_str());
    return code;
}

}  // namespace

int main(int argc, char** argv) {
    const kb::SampleToolArguments arguments =
        kb::ParseSampleToolArguments(std::vector<std::string>(argv + 1, argv + argc));
    if (!arguments.error.empty()) {
        Fail(arguments.error, 2);
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (arguments.help) {
        std::fputs(kUsage, stdout);
        return OutputWritten() ? 0 : Fail("cannot write to standard output", 2);
    }
    try {
        std::printf("%s\n", kb::MakeSampleWorkspace(arguments.folder).c_str());
    } catch (const std::exception& error) {
        return Fail(error.what(), 1);
    }
    return OutputWritten() ? 0 : Fail("cannot write to standard output", 2);
}
