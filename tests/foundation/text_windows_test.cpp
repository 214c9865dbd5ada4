// Where the rules of Windows differ from ICU's (see text_posix_test.cpp).
#include <gtest/gtest.h>

#include "foundation/text.h"

namespace kb {
namespace {

TEST(TextOnThisPlatform, SimpleCaseMappingAndWordSort) {
    EXPECT_EQ(UpperCase("stra\xc3\x9f"
                        "e"),
              "STRA\xc3\x9f"
              "E");
    // Word sort weighs hyphens last: "co-op" sorts after "coop", "a-2" after "a1".
    EXPECT_GT(CompareText("co-op", "coop"), 0);
    EXPECT_LT(CompareText("a1", "a-2"), 0);
}

}  // namespace
}  // namespace kb
