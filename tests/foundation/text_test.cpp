#include "foundation/text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "foundation/string_list.h"

namespace kb {
namespace {

TEST(Text, TrimRemovesControlsAndSpacesButNotHighBytes) {
    EXPECT_EQ(Trim(" \t\r\n\x01 a b \x1f\n"), "a b");
    EXPECT_EQ(Trim("\xa0x\xa0"), "\xa0x\xa0");
    EXPECT_EQ(Trim(" \t "), "");
    EXPECT_EQ(Trim(""), "");
}

TEST(Text, CaseMappingCoversTheWholeText) {
    EXPECT_EQ(UpperCase("abc xyz 1.0"), "ABC XYZ 1.0");
    EXPECT_EQ(LowerCase("ABC XYZ"), "abc xyz");
    EXPECT_EQ(UpperCase("\xc3\xa4\xc3\xb6"), "\xc3\x84\xc3\x96");  // äö -> ÄÖ
    EXPECT_EQ(LowerCase("\xc3\x84"), "\xc3\xa4");
}

TEST(Text, CaseMappingOfBytesThatAreNotUtf8ChangesOnlyAsciiLetters) {
    std::string latin1 = "Caf\xe9 \xc9T\xff";
    EXPECT_EQ(UpperCase(latin1), "CAF\xe9 \xc9T\xff");
    EXPECT_EQ(LowerCase(latin1), "caf\xe9 \xc9t\xff");
}

TEST(Text, ComparisonIsLinguisticAndCaseSensitive) {
    std::vector<std::string> words = {"B", "b", "A", "a", "\xc3\xa4"};
    std::sort(words.begin(), words.end(), TextOrder());
    EXPECT_EQ(words, (std::vector<std::string>{"a", "A", "\xc3\xa4", "b", "B"}));
    EXPECT_TRUE(TextEqual("Same", "Same"));
    EXPECT_FALSE(TextEqual("same", "Same"));
}

TEST(Text, TextsThatAreNotUtf8StillDifferByTheirBytes) {
    EXPECT_NE(CompareText("caf\xe9", "caf\xe8"), 0);
    EXPECT_EQ(CompareText("caf\xe9", "caf\xe9"), 0);
}

TEST(StringList, ContainsWithAndWithoutCase) {
    StringList list;
    list.Append("ABC");
    EXPECT_TRUE(list.Contains("abc", true));
    EXPECT_FALSE(list.Contains("abc", false));
    EXPECT_TRUE(list.Contains("ABC", false));
}

TEST(StringList, RemoveDuplicatesKeepsTheFirstOfEachInOrder) {
    StringList list;
    for (const char* text : {"Abc", "b", "ABC", "B", "c"})
        list.Append(text);
    list.RemoveDuplicates();
    EXPECT_EQ(list.Texts(), (std::vector<std::string>{"Abc", "b", "c"}));
}

TEST(StringList, AddUniqueAndPrepend) {
    StringList list;
    list.AddUnique("x");
    list.AddUnique("x");
    list.AddUnique("X");
    list.Prepend("first");
    EXPECT_EQ(list.Texts(), (std::vector<std::string>{"first", "x", "X"}));
    list.Clear();
    EXPECT_TRUE(list.Empty());
}

}  // namespace
}  // namespace kb
