// Where ICU's rules differ from those of Windows (see text_windows_test.cpp).
#include <gtest/gtest.h>

#include "foundation/text.h"

namespace kb {
namespace {

TEST(TextOnThisPlatform, FullCaseMappingAndPunctuationThatCounts) {
    EXPECT_EQ(UpperCase("stra\xc3\x9f"
                        "e"),
              "STRASSE");
    // A hyphen weighs like any other character: "co-op" sorts before "coop".
    EXPECT_LT(CompareText("co-op", "coop"), 0);
    EXPECT_GT(CompareText("a1", "a-2"), 0);
}

}  // namespace
}  // namespace kb
