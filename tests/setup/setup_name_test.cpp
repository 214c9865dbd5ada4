// The setup's base name: only a trailing ".exe" is taken off what the user chose.
#include <gtest/gtest.h>

#include "foundation/paths.h"
#include "setup/setup_build.h"

namespace kb {
namespace {

TEST(SetupName, OnlyATrailingExeIsTakenOff) {
    struct Case {
        const char* chosen;
        const char* base;
    } cases[] = {
        {"Coats.exe", "Coats"},
        {"Coats.EXE", "Coats"},
        {"Coats.Exe", "Coats"},
        {"Coats-1.5", "Coats-1.5"},
        {"Coats 2.0", "Coats 2.0"},
        {"Coats 2.0.exe", "Coats 2.0"},
        {"Coats.exe.exe", "Coats.exe"},
        {"Coats.iss", "Coats.iss"},
        {"Coats", "Coats"},
        {"Coats.exe.bak", "Coats.exe.bak"},
    };
    const std::string folder = PathJoin("setups", "out");
    for (const Case& c : cases) {
        EXPECT_EQ(SetupBase(PathJoin(folder, c.chosen)), PathJoin(folder, c.base)) << c.chosen;
    }
}

TEST(SetupName, ANameOfDotsOrBlanksIsRefused) {
    for (const char* chosen : {".exe", "..exe", " .exe", "..", "folder/.exe"})
        EXPECT_NE(SetupNameProblem(chosen), "") << chosen;
    for (const char* chosen : {"a.exe", "Coats 2.0", ".hidden"})
        EXPECT_EQ(SetupNameProblem(chosen), "") << chosen;
}

}  // namespace
}  // namespace kb
