#include "foundation/regular_exp.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "foundation/platform.h"
#include "tests/support/temp_folder.h"

namespace kb {
namespace {

struct MatchCase {
    std::string pattern;
    bool singleLine;
    std::string text;
    bool matched;
    std::vector<std::string> groups;  // from group 1 on
};

class MatchTest : public testing::TestWithParam<MatchCase> {};

TEST_P(MatchTest, GroupsAsExpected) {
    const MatchCase& c = GetParam();
    RegularExp re(c.pattern);
    if (c.singleLine) {
        re.MatchSingleLine(c.text);
    } else {
        re.Match(c.text);
    }
    ASSERT_EQ(re.matched, c.matched);
    if (!c.matched) {
        EXPECT_EQ(re.GroupCount(), 0u);
        return;
    }
    ASSERT_EQ(re.GroupCount(), c.groups.size() + 1);
    for (size_t i = 0; i < c.groups.size(); ++i)
        EXPECT_EQ(re.Group(i + 1), c.groups[i]) << i + 1;
}

// The patterns the program parses with, on the texts they meet.
INSTANTIATE_TEST_SUITE_P(
    SystemPatterns, MatchTest,
    testing::Values(
        MatchCase{"(.*)\\\\(.*)", false, "C:\\a\\b.txt", true, {"C:\\a", "b.txt"}},
        MatchCase{"(.*)\\\\(.*)", false, "b.txt", false, {}},
        MatchCase{"(.*)[.](.*)", false, "archive.tar.gz", true, {"archive.tar", "gz"}},
        MatchCase{"(.*)[.](.*)", false, "nodot", false, {}},
        MatchCase{"(.*)\n(.*)", false, "one\ntwo\nthree", true, {"one", "two"}},
        MatchCase{"(.*)\n(.*)", true, "one\ntwo\nthree", true, {"one\ntwo", "three"}},
        MatchCase{"([^\n]*)\n(.*$)", true, "one\ntwo\nthree\n", true, {"one", "two\nthree\n"}},
        MatchCase{"^( *)- (.*)$", false, "  - item", true, {"  ", "item"}},
        MatchCase{"^( *)- (.*)$", false, "  - item\n", false, {}},
        MatchCase{"^( *)- (.*)$", false, "- item\r", true, {"", "item\r"}},
        MatchCase{
            "^([ ]*[^:]*): (.*)$", false, "  key: value: more", true, {"  key", "value: more"}},
        MatchCase{"^([ ]*[^:]*):$", false, "key:", true, {"key"}},
        MatchCase{"^([ ]*)[|]$", false, "   |", true, {"   "}},
        MatchCase{"^\"(.*)\"$", false, "\"quoted \"inner\"\"", true, {"quoted \"inner\""}},
        MatchCase{"(.*?)\t(.*?)\t(.*?)\n(.*)",
                  true,
                  "Name\t1\tcm\nA\tB\n",
                  true,
                  {"Name", "1", "cm", "A\tB\n"}},
        MatchCase{"(.*?)\t(.*?)\t(.*?)\t(.*?)\n(.*)",
                  true,
                  "a\tb\tc\td\te\nrest",
                  true,
                  {"a", "b", "c", "d\te", "rest"}},
        MatchCase{".*add_pict_item.*,.*[\"](.*)[\"].*",
                  false,
                  "  add_pict_item(x, y, \"pic.jpg\");",
                  true,
                  {"pic.jpg"}},
        MatchCase{".*add_picture_input.*,.*,.*[\"](.*)[\"].*",
                  false,
                  "add_picture_input(a, b, \"in.jpg\")",
                  true,
                  {"in.jpg"}},
        MatchCase{".*measure_table[(][\"](.*)[\"].*",
                  false,
                  "measure_table(\"Women.mmt\");",
                  true,
                  {"Women.mmt"}},
        MatchCase{"(a)|(b)", false, "b", true, {"", "b"}},
        MatchCase{"(?:x)(\\d+)", false, "x42", true, {"42"}},
        MatchCase{"\\$\\{\\[", false, "${[", true, {}}));

TEST(RegularExp, FindGivesViewsAndOffsetsIntoTheSubject) {
    std::string text = "key\tvalue\nnext";
    RegularExp re("(.*?)\t(.*?)\n(.*)");
    ASSERT_TRUE(re.Find(text, true));
    EXPECT_EQ(re.GroupView(1), "key");
    EXPECT_EQ(re.GroupView(1).data(), text.data());
    EXPECT_EQ(re.GroupStart(3), 10u);
    EXPECT_EQ(re.GroupEnd(3), text.size());
    EXPECT_EQ(re.Group(2), "value");
    EXPECT_EQ(re.GroupView(7), "");
}

TEST(RegularExp, FailedAttemptClearsTheGroupsOfTheLastOne) {
    RegularExp re("(a+)");
    re.Match("baa");
    ASSERT_TRUE(re.matched);
    re.Match("bbb");
    EXPECT_FALSE(re.matched);
    EXPECT_EQ(re.Group(1), "");
    EXPECT_EQ(re.GroupCount(), 0u);
}

TEST(RegularExp, InvalidPatternNamesIt) {
    RegularExp re("(unclosed");
    try {
        re.Match("x");
        FAIL();
    } catch (const std::invalid_argument& e) {
        EXPECT_NE(std::string(e.what()).find("(unclosed"), std::string::npos);
    }
}

struct ReplaceCase {
    std::string text;
    std::string pattern;
    std::string replacement;
    std::string expected;
};

class ReplaceTest : public testing::TestWithParam<ReplaceCase> {};

TEST_P(ReplaceTest, ExpandsAsTheTableSays) {
    const ReplaceCase& c = GetParam();
    std::string text = c.text;
    RegularExp::ReplaceAll(text, c.pattern, c.replacement, false);
    EXPECT_EQ(text, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Expansion, ReplaceTest,
    testing::Values(ReplaceCase{"xax", "a", "A$$B", "xA$Bx"},
                    ReplaceCase{"xax", "a", "[$&]", "x[a]x"}, ReplaceCase{"xax", "a", "$9", "x$9x"},
                    ReplaceCase{"xax", "a", "$0$0", "xaax"}, ReplaceCase{"ab", "(a)", "$10", "a0b"},
                    ReplaceCase{"ab", "(a)", "$001", "ab"},
                    ReplaceCase{"ab", "(a)|(z)", "[$+]", "[a]b"},
                    ReplaceCase{"ab", "a", "[$+]", "[a]b"}, ReplaceCase{"ab", "a", "[$_]", "[ab]b"},
                    ReplaceCase{"ab", "(?<first>a)", "${first}${1}", "aab"},
                    ReplaceCase{"ab", "(a)", "${0}${2}${none}${", "${0}${2}${none}${b"},
                    ReplaceCase{"ab", "a", "$x$", "$x$b"}, ReplaceCase{"abc", "x*", "-", "-a-b-c-"},
                    ReplaceCase{"aaa", "a*", "-", "--"},
                    ReplaceCase{"no match", "z", "$&$&", "no match"}, ReplaceCase{"", "", "X", "X"},
                    ReplaceCase{"Name=%NAME%\n", "%NAME%", "A$$1", "Name=A$1\n"}));

TEST(RegularExp, EscapedReplacementIsInsertedLiterally) {
    std::string text = "v=VERSION";
    std::string user = "1.0 $& $1 $$";
    RegularExp::ReplaceAll(text, "VERSION", RegularExp::EscapeReplacement(user), false);
    EXPECT_EQ(text, "v=" + user);
}

TEST(RegularExp, SingleLineReplaceCrossesLineEnds) {
    std::string text = "a\nb\nc";
    RegularExp::ReplaceAll(text, "a.b", "X", true);
    EXPECT_EQ(text, "X\nc");
    text = "a\nb";
    RegularExp::ReplaceAll(text, "a.b", "X", false);
    EXPECT_EQ(text, "a\nb");
}

// Compares ReplaceAll with JavaScript's String.prototype.replace, an independent engine that
// agrees with the expansion table for "$$", "$&", "$`", "$'" and "$1".."$9".
TEST(RegularExp, ReplaceAllAgreesWithJavaScript) {
    if (FindProgram("node").empty())
        GTEST_SKIP() << "node is not installed";
    const std::vector<ReplaceCase> cases = {
        {"hello world", "o", "[$&|$`|$'|$$]", ""},
        {"hello world", "(l)(o)?", "<$2$1$3>", ""},
        {"abcabc", "(a)|(b)", "{$1,$2}", ""},
        {"abc", "x*", "-$&-", ""},
        {"abc", "", "$'", ""},
        {"ab", "(a)", "$10$9$", ""},
        {"a$b", "\\$", "$$$$", ""},
        {"k=v;k2=v2", "(\\w+)=(\\w+)", "$2=$1", ""},
        {"line1\nline2", "(.*)", "[$1]", ""},
    };
    test::TempFolder folder;
    std::ofstream input(folder / "cases.txt");
    auto hex = [](const std::string& text) {
        std::ostringstream out;
        for (unsigned char c : text)
            out << std::hex << (c < 16 ? "0" : "") << int(c);
        return out.str();
    };
    for (const auto& c : cases) {
        input << hex(c.text) << ' ' << hex(c.pattern) << ' ' << hex(c.replacement) << '\n';
    }
    input.close();
    const char* script =
        "const fs=require('fs');const d=s=>Buffer.from(s,'hex').toString('latin1');"
        "for(const l of fs.readFileSync(process.argv[1],'latin1').split('\\n')){"
        "if(!l)continue;const [t,p,r]=l.split(' ').map(d);"
        "console.log(t.replace(new RegExp(p,'g'),r).replace(/\\n/g,'\\\\n'));}";
    ProgramResult result = StartProgram("node", {"-e", script, folder / "cases.txt"}, "", true);
    ASSERT_TRUE(result.started);
    ASSERT_EQ(result.exitCode, 0) << result.output;
    std::istringstream lines(result.output);
    for (const auto& c : cases) {
        std::string expected;
        ASSERT_TRUE(std::getline(lines, expected));
        std::string text = c.text;
        RegularExp::ReplaceAll(text, c.pattern, c.replacement, false);
        std::string shown;
        for (char ch : text)
            shown += ch == '\n' ? std::string("\\n") : std::string(1, ch);
        EXPECT_EQ(shown, expected) << c.pattern << " -> " << c.replacement;
    }
}

// Subjects on which a backtracking search gives up (the lazy fields of a table row before a line
// end that never comes; a nested repetition) read as no match, in both modes and in ReplaceAll.
TEST(RegularExp, GivingUpIsNoMatch) {
    const struct {
        const char* pattern;
        std::string text;
    } cases[] = {
        {"^(.*?)\t(.*?)\t(.*?)\t(.*?)\n", "\n" + std::string(118, '\t') + "PPPPPPP"},
        {"^(a|aa)*(a|aa)*(a|aa)*$", std::string(60, 'a') + "b"},
    };
    for (const auto& c : cases) {
        for (bool singleLine : {false, true}) {
            RegularExp re(c.pattern);
            EXPECT_NO_THROW(singleLine ? re.MatchSingleLine(c.text) : re.Match(c.text));
            EXPECT_FALSE(re.matched) << c.pattern;
            EXPECT_FALSE(re.Find(c.text, singleLine));
        }
        std::string text = c.text;
        EXPECT_NO_THROW(RegularExp::ReplaceAll(text, c.pattern, "x", true));
        EXPECT_EQ(text, c.text);
    }
}

}  // namespace
}  // namespace kb
