#include <gtest/gtest.h>

#include "tools/sample_workspace/sample_workspace.h"

namespace kb {
namespace {

TEST(SampleTool, OptionsAreNoFolders) {
    struct Case {
        std::vector<std::string> arguments;
        bool help;
        const char* folder;
        const char* error;
    } cases[] = {
        {{"/tmp/docs"}, false, "/tmp/docs", ""},
        {{"--help"}, true, "", ""},
        {{"-h"}, true, "", ""},
        {{"/tmp/docs", "--help"}, true, "", ""},
        {{"--", "--help"}, false, "--help", ""},
        {{"-"}, false, "-", ""},
        {{"--verbose", "/tmp/docs"}, false, "", "unknown option --verbose"},
        {{"-x"}, false, "", "unknown option -x"},
        {{}, false, "", "a documents folder is required"},
        {{"--"}, false, "", "a documents folder is required"},
        {{"a", "b"}, false, "", "only one documents folder may be given"},
    };
    for (const Case& c : cases) {
        const SampleToolArguments parsed = ParseSampleToolArguments(c.arguments);
        const std::string what = c.arguments.empty() ? "(none)" : c.arguments.front();
        EXPECT_EQ(parsed.help, c.help) << what;
        EXPECT_EQ(parsed.folder, c.folder) << what;
        EXPECT_EQ(parsed.error, c.error) << what;
    }
}

}  // namespace
}  // namespace kb
