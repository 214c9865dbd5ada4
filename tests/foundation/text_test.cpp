#include "foundation/text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "foundation/each_file.h"
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

// Both platforms' checks refuse what the standard refuses.
TEST(Text, Utf8ValidityFollowsTheStandard) {
    const struct {
        std::string bytes;
        bool valid;
    } cases[] = {
        {"", true},
        {"plain", true},
        {std::string("a\0b", 3), true},
        {"\xc3\xa4 \xe2\x82\xac \xf0\x9f\x98\x80", true},  // ä € and an emoji
        {"\xc3", false},                                   // cut short
        {"\xc0\xaf", false},                               // overlong "/"
        {"\xed\xa0\x80", false},                           // a surrogate
        {"\xf4\x90\x80\x80", false},                       // beyond U+10FFFF
        {"caf\xe9", false},                                // Windows-1252
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsValidUtf8(c.bytes), c.valid) << testing::PrintToString(c.bytes);
}

TEST(Text, Windows1252ReadsAsUtf8) {
    const struct {
        std::string bytes;
        std::string utf8;
    } cases[] = {
        {"", ""},
        {"plain", "plain"},
        {"caf\xe9", "caf\xc3\xa9"},
        {"\x80 \x93q\x94 \x9f", "\xe2\x82\xac \xe2\x80\x9cq\xe2\x80\x9d \xc5\xb8"},  // € “q” Ÿ
        {"\x81\x8d\x8f\x90\x9d", "\xc2\x81\xc2\x8d\xc2\x8f\xc2\x90\xc2\x9d"},  // undefined: C1
    };
    for (const auto& c : cases)
        EXPECT_EQ(FromWindows1252(c.bytes), c.utf8) << testing::PrintToString(c.bytes);
}

// Names are folded one code point at a time, whatever the locale, as the file system does.
TEST(Text, NameCaseFoldsLikeTheFileSystem) {
    const struct {
        std::string name;
        std::string folded;
    } cases[] = {
        {"abc.Jpg", "ABC.JPG"},
        {"\xc3\xbc"
         "ber.jpg",
         "\xc3\x9c"
         "BER.JPG"},                                               // über
        {"\xc3\xbf", "\xc5\xb8"},                                  // ÿ -> Ÿ
        {"\xd0\xb4\xd0\xbe\xd0\xbc", "\xd0\x94\xd0\x9e\xd0\x9c"},  // дом -> ДОМ
        {"stra\xc3\x9f"
         "e",
         "STRA\xc3\x9f"
         "E"},                   // ß has no single upper case letter
        {"caf\xe9", "CAF\xe9"},  // no UTF-8: ASCII letters only
    };
    for (const auto& c : cases)
        EXPECT_EQ(FoldNameCase(c.name), c.folded) << c.name;
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
