#include "workspace/macro_lines.h"

#include <gtest/gtest.h>

#include <random>

#include "foundation/regular_exp.h"
#include "tests/workspace/scan_fuzz_body.h"

namespace kb::test {
namespace {

using LineReader = std::optional<std::string_view> (*)(std::string_view);

struct LineKind {
    const char* pattern;  // the literal pattern the reader stands for
    LineReader reader;
};

const LineKind kKinds[] = {
    {".*add_picture_input.*,.*,.*[\"](.*)[\"].*", PictureInputName},
    {".*add_pict_item.*,.*[\"](.*)[\"].*", PictItemName},
    {".*measure_table[(][\"](.*)[\"].*", MeasureTableName},
};

std::optional<std::string> Literally(const char* pattern, const std::string& line) {
    RegularExp re(pattern, line);
    if (!re.matched)
        return std::nullopt;
    return re.Group(1);
}

std::optional<std::string> Read(LineReader reader, const std::string& line) {
    const auto capture = reader(line);
    return capture ? std::optional<std::string>(*capture) : std::nullopt;
}

TEST(MacroLines, Examples) {
    const struct {
        std::string line;
        std::optional<std::string> input, item, table;
    } cases[] = {
        {"add_picture_input(\"Ease\", 2.5, \"ease1\");", "ease1", {}, {}},
        {"add_picture_input(\"Ease\", \"ease1\");", {}, {}, {}},
        {"add_pict_item(1, \"Front.bmp\");", {}, "Front.bmp", {}},
        {"add_pict_item(\"a\", \"b\", \"c\")", {}, "c", {}},
        {"measure_table(\"Women\");", {}, {}, "Women"},
        {"measure_table(\"a\") measure_table(\"b\")", {}, {}, "b"},
        {"measure_table(\"Women);", {}, {}, {}},
        {"add_pict_item(1,\n\"x\", \"y\")", {}, {}, {}},
        {"x\nadd_pict_item(1, \"y\")", {}, "y", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.line));
        EXPECT_EQ(Read(PictureInputName, c.line), c.input);
        EXPECT_EQ(Read(PictItemName, c.line), c.item);
        EXPECT_EQ(Read(MeasureTableName, c.line), c.table);
        for (const LineKind& kind : kKinds)
            EXPECT_EQ(Read(kind.reader, c.line), Literally(kind.pattern, c.line));
    }
}

TEST(MacroLines, AgreeWithTheLiteralPatternsOnRandomLines) {
    std::mt19937 random(20261209);
    const char* const pieces[] = {"add_picture_input",
                                  "add_pict_item",
                                  "measure_table(\"",
                                  "measure_table",
                                  "add_pict",
                                  "\"",
                                  "\"",
                                  ",",
                                  ",",
                                  "(",
                                  ")",
                                  " ",
                                  "x",
                                  "\n",
                                  "\r"};
    for (int round = 0; round < 20000; ++round) {
        std::string line;
        const int length = static_cast<int>(random() % 16);
        for (int i = 0; i < length; ++i)
            line += pieces[random() % std::size(pieces)];
        for (const LineKind& kind : kKinds) {
            ASSERT_EQ(Read(kind.reader, line), Literally(kind.pattern, line))
                << kind.pattern << " on " << testing::PrintToString(line);
        }
    }
}

// The fuzz target's body on the inputs that found faults before, and on random bytes.
TEST(ScanFuzzBody, HoldsOnKnownAndRandomInputs) {
    FuzzScanOnce(std::string("\t\t\n\n") + std::string(118, '\t') + std::string(7, 'P'));
    FuzzScanOnce("W\tcm\tx\nA\t1\tt\tp\nB\tz\tt\tq\n");
    std::mt19937 random(7);
    const char alphabet[] = "\t\n\r\",(1.xadd_pict_item measure_table(\"add_picture_input";
    for (int round = 0; round < 2000; ++round) {
        std::string bytes;
        const int length = static_cast<int>(random() % 64);
        for (int i = 0; i < length; ++i)
            bytes += alphabet[random() % (sizeof alphabet - 1)];
        ASSERT_NO_THROW(FuzzScanOnce(bytes)) << testing::PrintToString(bytes);
    }
}

// The line that took seconds with the backtracking patterns: its quotes come before its commas.
TEST(MacroLines, LongHostileLinesAreReadAsThePatternsWould) {
    const std::string quotes(8000, '"');
    const std::string commas(8000, ',');
    EXPECT_EQ(Read(PictureInputName, "add_picture_input" + quotes + commas), std::nullopt);
    EXPECT_EQ(Read(PictItemName, "add_pict_item" + quotes + commas), std::nullopt);
    EXPECT_EQ(Read(MeasureTableName, "measure_table(\"" + commas), std::nullopt);
    EXPECT_EQ(Read(PictureInputName, "add_picture_input" + commas + "\"n\""), "n");
}

}  // namespace
}  // namespace kb::test
