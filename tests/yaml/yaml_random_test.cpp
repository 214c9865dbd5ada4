// Random and mutated texts through the reader and writer: no crash, no sanitizer report, and the
// writer's text of any tree read or built reads back as that same tree.
#include <gtest/gtest.h>

#include <random>

#include "tests/yaml/yaml_fuzz_body.h"
#include "tests/yaml/yaml_random_tree.h"
#include "tests/yaml/yaml_test_tree.h"

namespace kb {
namespace {

// Bytes that steer the reader's decisions, and a few that it never treats specially.
constexpr std::string_view kSyntax = "    --::||\"\"\n\n\n\r\t#ab\x00\xff\xc3";

char RandomByte(std::mt19937& rng) {
    if (rng() % 4 == 0)
        return static_cast<char>(rng() % 256);
    return kSyntax[rng() % kSyntax.size()];
}

void ExpectRereadSame(const Yaml& first) {
    EXPECT_EQ(test::RereadDifference(first), "");
}

TEST(YamlRandom, ArbitraryBytes) {
    std::mt19937 rng(7);
    for (int round = 0; round < 1500; ++round) {
        std::string text(rng() % 160, ' ');
        for (char& c : text)
            c = RandomByte(rng);
        SCOPED_TRACE(text);
        EXPECT_EQ(test::FuzzYamlOnce(text), "");
    }
}

// Trees of arbitrary values and keys the format can hold, written and read back.
TEST(YamlRandom, ArbitraryValuesReadBack) {
    test::RandomTree trees(29, test::RandomTree::Values::Arbitrary);
    int differences = 0;
    for (int round = 0; round < 10000 && differences < 5; ++round) {
        Yaml doc;
        doc.root = trees.Document();
        std::string difference = test::RereadDifference(doc);
        differences += !difference.empty();
        EXPECT_EQ(difference, "") << "round " << round;
    }
}

// Written documents of plain and of arbitrary values, mutated: whatever tree the text gives
// reads back the same.
TEST(YamlRandom, MutatedDocuments) {
    std::mt19937 rng(11);
    test::RandomTree plain(13);
    test::RandomTree arbitrary(17, test::RandomTree::Values::Arbitrary);
    for (int round = 0; round < 1200; ++round) {
        Yaml doc;
        doc.root = (round % 2 == 0 ? plain : arbitrary).Document();
        ExpectRereadSame(doc);
        std::string text = doc.ToText();
        for (int edits = 1 + rng() % 6; edits > 0; --edits) {
            size_t at = rng() % (text.size() + 1);
            switch (rng() % 3) {
                case 0:
                    text.insert(at, 1, RandomByte(rng));
                    break;
                case 1:
                    if (at < text.size())
                        text.erase(at, 1 + rng() % 8);
                    break;
                default:
                    if (at < text.size())
                        text[at] = RandomByte(rng);
            }
        }
        SCOPED_TRACE(text);
        EXPECT_EQ(test::FuzzYamlOnce(text), "");
    }
}

TEST(YamlRandom, PathologicalLines) {
    std::string dashes;
    for (int i = 0; i < 1000; ++i)
        dashes += "- ";
    EXPECT_EQ(
        test::FuzzYamlOnce(dashes + "x\n" + dashes + "k: |\n" + std::string(5000, ' ') + "y\n"),
        "");
    EXPECT_EQ(test::FuzzYamlOnce(std::string(30000, ' ') + "k: v\n" + std::string(20000, ':')), "");
    EXPECT_EQ(test::FuzzYamlOnce(std::string(50000, '\n')), "");
    ExpectRereadSame(Yaml(dashes + "x\n"));
}

}  // namespace
}  // namespace kb
