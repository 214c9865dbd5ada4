#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>

#include "foundation/files.h"
#include "foundation/regular_exp.h"
#include "tests/support/temp_workspace.h"
#include "workspace/mmt_data.h"

namespace kb::test {
namespace {

struct Parsed {
    bool ok = false;
    bool threw = false;
    MmtData data;
};

Parsed Parse(std::string_view text) {
    Parsed parsed;
    parsed.data.name = "old";
    try {
        parsed.ok = ParseMmt(parsed.data, text, "T.mmt");
    } catch (const MmtValueError&) {
        parsed.threw = true;
    }
    return parsed;
}

TEST(MmtFormat, Cases) {
    const struct {
        const char* name;
        const char* text;
        bool ok;
        const char* tableName;
        const char* headerField2;
        std::vector<std::string> rowNames;
        std::vector<double> values;
        std::vector<std::string> texts;
        std::vector<std::string> pictures;
    } cases[] = {
        {"one row",
         "Women\tcm\tx\nBust\t92.5\tB\tbust_pic\n",
         true,
         "Women",
         "cm",
         {"Bust"},
         {92.5},
         {"B"},
         {"bust_pic"}},
        {"no final line end",
         "Women\tcm\tx\nBust\t92.5\tB\tbust_pic",
         false,
         "Women",
         "cm",
         {},
         {},
         {},
         {}},
        {"header alone", "Women\tcm\tx\n", true, "Women", "cm", {}, {}, {}, {}},
        {"empty file", "", false, "old", "", {}, {}, {}, {}},
        {"one line without line end", "Women\tcm\tx", false, "old", "", {}, {}, {}, {}},
        {"CR LF line ends keep the CR in the last field",
         "Women\tcm\tx\r\nBust\t92.5\tB\tbust\r\nHip\t98\tH\thip\r\n",
         true,
         "Women",
         "cm",
         {"Bust", "Hip"},
         {92.5, 98},
         {"B", "H"},
         {"bust\r", "hip\r"}},
        {"extra TABs go into the last field",
         "W\tcm\tx\ty\nBust\t1\tB\tp\tq\n",
         true,
         "W",
         "cm",
         {"Bust"},
         {1},
         {"B"},
         {"p\tq"}},
        {"a short line runs on into the next",
         "W\tcm\tx\nBust\t1\tB\nHip\t2\tH\th\n",
         true,
         "W",
         "cm",
         {"Bust"},
         {1},
         {"B\nHip"},
         {"2\tH\th"}},
        {"a bad tail keeps the rows before it",
         "W\tcm\tx\nBust\t1\tB\tb\nHip\t2\n",
         false,
         "W",
         "cm",
         {"Bust"},
         {1},
         {"B"},
         {"b"}},
        {"blanks around a value and a sign",
         "W\tcm\tx\nA\t -3.25 \tt\tp\nB\t+4e1\tt\tq\n",
         true,
         "W",
         "cm",
         {"A", "B"},
         {-3.25, 40},
         {"t", "t"},
         {"p", "q"}},
    };
    for (const auto& c : cases) {
        const Parsed parsed = Parse(c.text);
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(parsed.threw);
        EXPECT_EQ(parsed.ok, c.ok);
        EXPECT_EQ(parsed.data.name, c.tableName);
        EXPECT_EQ(parsed.data.headerField2, c.headerField2);
        EXPECT_EQ(parsed.data.rowNames, c.rowNames);
        EXPECT_EQ(parsed.data.rowValues, c.values);
        EXPECT_EQ(parsed.data.rowTexts, c.texts);
        EXPECT_EQ(parsed.data.rowPictures, c.pictures);
    }
}

using MmtFile = TempWorkspace;

TEST_F(MmtFile, ValueThatIsNoNumberNamesFileAndValue) {
    for (const char* value : {"92,5", "", "abc", "1.5x"}) {
        Write("T/Women.mmt", std::string("Women\tcm\tx\nBust\t") + value + "\tB\tb\n");
        MmtData data;
        try {
            LoadMmt(data, At("T/Women.mmt"));
            ADD_FAILURE() << "no error for " << value;
        } catch (const MmtValueError& error) {
            const std::string message = error.what();
            EXPECT_NE(message.find(At("T/Women.mmt")), std::string::npos) << message;
            EXPECT_NE(message.find(std::string("\"") + value + "\""), std::string::npos) << message;
        }
    }
}

TEST_F(MmtFile, MissingFileDoesNotLoad) {
    MmtData data;
    EXPECT_FALSE(LoadMmt(data, At("MeasureTables/none.mmt")));
}

// The reading of the file format taken literally: each match takes "everything after the line"
// as the new subject. The fast reader must agree with it on every text.
Parsed ParseLiterally(const std::string& text) {
    Parsed parsed;
    parsed.data.name = "old";
    MmtData& d = parsed.data;
    RegularExp header("(.*?)\t(.*?)\t(.*?)\n(.*)");
    header.MatchSingleLine(text);
    if (!header.matched)
        return parsed;
    d.name = header.Group(1);
    d.headerField2 = header.Group(2);
    std::string rest = header.Group(4);
    RegularExp row("(.*?)\t(.*?)\t(.*?)\t(.*?)\n(.*)");
    while (!rest.empty()) {
        row.MatchSingleLine(rest);
        if (!row.matched)
            return parsed;
        rest = row.Group(5);
        const std::string value = row.Group(2);
        char* end = nullptr;
        const double number = std::strtod(value.c_str(), &end);
        if (value.empty() || *end != '\0' || value.find_first_of("\t\n\r") != std::string::npos) {
            parsed.threw = true;
            return parsed;
        }
        d.rowNames.push_back(row.Group(1));
        d.rowValues.push_back(number);
        d.rowTexts.push_back(row.Group(3));
        d.rowPictures.push_back(row.Group(4));
    }
    parsed.ok = true;
    return parsed;
}

TEST(MmtFormat, AgreesWithTheLiteralReadingOnRandomTexts) {
    std::mt19937 random(20240611);
    const char* const pieces[] = {"\t", "\t", "\t", "\n", "\n", "\r", "7", "2.5", "x", "Bust"};
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const int length = static_cast<int>(random() % 40);
        for (int i = 0; i < length; ++i)
            text += pieces[random() % std::size(pieces)];
        const Parsed fast = Parse(text);
        const Parsed literal = ParseLiterally(text);
        ASSERT_EQ(fast.threw, literal.threw) << testing::PrintToString(text);
        if (!fast.threw) {
            ASSERT_EQ(fast.ok, literal.ok) << testing::PrintToString(text);
        }
        ASSERT_EQ(fast.data.name, literal.data.name);
        ASSERT_EQ(fast.data.headerField2, literal.data.headerField2);
        ASSERT_EQ(fast.data.rowNames, literal.data.rowNames) << testing::PrintToString(text);
        ASSERT_EQ(fast.data.rowValues, literal.data.rowValues);
        ASSERT_EQ(fast.data.rowTexts, literal.data.rowTexts);
        ASSERT_EQ(fast.data.rowPictures, literal.data.rowPictures);
    }
}

// Plain decimals ("92.5", "0.125", long digit runs) are read by a shortcut: each must give the
// very double that the general reading gives.
TEST(MmtFormat, PlainDecimalsReadAsTheGeneralReadingReadsThem) {
    std::mt19937 random(20261210);
    std::vector<std::string> values = {"0",
                                       "7",
                                       "0.1",
                                       "0.3",
                                       "92.5",
                                       "1.50",
                                       "007.250",
                                       "9007199254740993",
                                       "900719925474099.3",
                                       "123456789012345.6",
                                       "0.000000000000001"};
    for (int round = 0; round < 3000; ++round) {
        std::string digits;
        const int length = 1 + static_cast<int>(random() % 17);
        for (int i = 0; i < length; ++i)
            digits += static_cast<char>('0' + random() % 10);
        if (length > 1 && random() % 3 != 0)
            digits.insert(1 + random() % (length - 1), ".");
        values.push_back(digits);
    }
    for (const std::string& value : values) {
        const Parsed parsed = Parse("W\tcm\tx\nA\t" + value + "\tt\tp\n");
        ASSERT_FALSE(parsed.threw) << value;
        ASSERT_EQ(parsed.data.rowValues.size(), 1u) << value;
        const double expected = std::strtod(value.c_str(), nullptr);
        EXPECT_EQ(std::memcmp(&parsed.data.rowValues[0], &expected, sizeof expected), 0)
            << value << " read as " << parsed.data.rowValues[0];
    }
}

// Texts on which the format's patterns backtrack for long (TABs without a line end after them,
// a large text that is no table) read as not fitting; a bad value leaves equal row lists.
TEST(MmtFormat, HostileTextsDoNotFitAndBadValuesKeepRowsAligned) {
    const std::string noTable(20 << 20, 'x');
    const struct {
        const char* name;
        std::string text;
        bool threw;
        size_t rows;
    } cases[] = {
        {"fuzzer's TABs", std::string("\t\t\n\n") + std::string(118, '\t') + "PPPPPPP", false, 0},
        {"TABs and no line end after them", "W\tcm\tx\n" + std::string(200000, '\t'), false, 0},
        {"20 MB that is no table", noTable, false, 0},
        {"20 MB with two TABs and no LF", "a\tb\t" + noTable, false, 0},
        {"bad value after good rows", "W\tcm\tx\nA\t1\tt\tp\nB\tz\tt\tq\n", true, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Parsed parsed = Parse(c.text);
        EXPECT_FALSE(parsed.ok);
        EXPECT_EQ(parsed.threw, c.threw);
        const MmtData& d = parsed.data;
        EXPECT_EQ(d.rowNames.size(), c.rows);
        EXPECT_EQ(d.rowValues.size(), c.rows);
        EXPECT_EQ(d.rowTexts.size(), c.rows);
        EXPECT_EQ(d.rowPictures.size(), c.rows);
    }
}

}  // namespace
}  // namespace kb::test
