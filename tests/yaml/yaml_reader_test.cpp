#include <gtest/gtest.h>

#include "foundation/yaml/yaml.h"
#include "tests/yaml/yaml_test_tree.h"

namespace kb {
namespace {

TEST(YamlReader, WorkedExampleTextToTree) {
    Yaml doc(
        "title: |\n"
        "  line one\n"
        "  line two\n"
        "outer:\n"
        "  inner: \"  x \"\n"
        "  list:\n"
        "  - a\n"
        "  - key: 1\n"
        "    other: 2\n"
        "count: 3\n");
    EXPECT_EQ(doc.root->Keys(), (StringVector{"count", "outer", "title"}));
    EXPECT_EQ(doc["count"]->Value(), "3");
    EXPECT_EQ(doc["title"]->Value(), "line one\nline two");
    YamlNode& outer = *doc["outer"];
    EXPECT_EQ(outer.Kind(), YamlNode::Map);
    EXPECT_EQ(outer["inner"]->Value(), "  x ");
    YamlNode& list = *outer["list"];
    ASSERT_EQ(list.Kind(), YamlNode::Vector);
    ASSERT_EQ(list.Size(), 2u);
    EXPECT_EQ(list.Items()[0]->Value(), "a");
    EXPECT_EQ(test::Json(*list.Items()[1]), R"({"key": "1", "other": "2"})");
}

struct TextCase {
    const char* what;
    std::string text;
    const char* written;  // Yaml::ToText() of what was read
};

TEST(YamlReader, Cases) {
    const TextCase cases[] = {
        {"marker lines are ignored", "---\na: 1\n  ---  \nb: 2\n", "---\na: 1\nb: 2\n"},
        {"marker inside a block", "a: |\n  x\n ---\n  y\n", "---\na: |\n  x\n  y\n"},
        {"block line reading ---", "a: |\n  x\n  ---\n", "---\na: |\n  x\n  ---\n"},
        {"block keeps a first empty line", "a: |\n  \n  x\n", "---\na: |\n  \n  x\n"},
        {"empty line ends a block", "a: |\n  x\n\n  y\n", "---\na: y\n"},
        {"blank line is an empty value", "a: 1\n   \n", "---\na: \n"},
        {"trimmed, then unquoted", "k:   \"  Coat \"   \n", "---\nk: \"  Coat \"\n"},
        {"inner quotes stay", "k: \"a\"b\"\n", "---\nk: a\"b\n"},
        {"key ends at the first colon", "a: b: c\n", "---\na: b: c\n"},
        {"no key without colon-space", "a:b: c\n", "---\na:b: c\n"},
        {"block ended at once", "a: |\n b\n", "---\na: \n"},
        {"bar with a space is a value", "a: | \n b\n", "---\na: \"|\"\n"},
        {"block lines keep indentation", "a: |\n    x  \n", "---\na: \"  x  \"\n"},
        {"first of two equal keys stays", "k: 1\nk: 2\n", "---\nk: 1\n"},
        {"keys out of order, one repeated", "c: 1\na: 2\nb: 3\na: 4\nB: 5\n",
         "---\na: 2\nb: 3\nB: 5\nc: 1\n"},
        {"CR is trimmed from values", "a: 1\r\nb: 2\r\n", "---\na: 1\nb: 2\n"},
        {"nested sequences", "- - a\n  - b\n- c\n", "---\n- - a\n  - b\n- c\n"},
        {"item mappings", "- k: 1\n  l: 2\n- m: 3\n", "---\n- k: 1\n  l: 2\n- m: 3\n"},
        {"item after an item mapping nests anew", "- a: 1\n- - x\n  - y\n- b\n",
         "---\n- a: 1\n- - x\n  - y\n- b\n"},
        {"sequence under a key", "k:\n- a\n- b\nl: c\n", "---\nk: \n- a\n- b\nl: c\n"},
        {"root block keeps everything", "|\nabc\n\n  def\n", "---\nabc\n\n  def\n\n"},
        {"block of an item mapping", "- key: |\n    text\n- x\n", "---\n- key: text\n- x\n"},
        {"last line needs no LF", "a: 1\nb: 2", "---\na: 1\nb: 2\n"},
        // A value line with less than two columns of indentation is the root's value.
        {"document of one scalar", "hello\n", "---\nhello\n"},
        {"indented by one", " x\n", "---\nx\n"},
        {"key with CR matches no key pattern", "key:\r\n", "---\nkey:\n"},
        {"stray line keeps the mapping", "a: 1\nstray\nb: 2\n", "---\na: 1\nb: 2\n"},
        {"stray line keeps the sequence", "- a\nstray\n- b\n", "---\n- a\n- b\n"},
        // A block on a deeper line belongs to its own key or item, indented from its line.
        {"block of a nested key", "outer:\n  text: |\n    one\n      two\n  other: x\n",
         "---\nouter: \n  other: x\n  text: |\n    one\n      two\n"},
        {"block of an item under a key", "list:\n- |\n  one\n  two\n- b\n",
         "---\nlist: \n- |\n  one\n  two\n- b\n"},
        {"deeper block ends at its key's column", "o:\n  t: |\n    x\n  u: y\n",
         "---\no: \n  t: x\n  u: y\n"},
        // Indentation beyond 98 slots follows the same rules.
        {"far indented key", "a:\n" + std::string(400, ' ') + "b: 1\n", "---\na: \n  b: 1\n"},
    };
    for (const TextCase& c : cases) {
        EXPECT_EQ(Yaml(c.text).ToText(), c.written) << c.what;
    }
}

// A line given to AddLine may hold LF: then an item or a key value running past it, and quotes
// around it, do not count, while a key may hold it.
TEST(YamlReader, LinesHoldingLineBreaks) {
    const struct {
        const char* line;
        const char* tree;  // test::Dump of the root
    } cases[] = {
        {"a: x\ny", R"("a: x\x0ay")"},
        {"- x\ny", R"("- x\x0ay")"},
        {"\"a\nb\"", R"("\"a\x0ab\"")"},
        {"a\nb:", R"({"a\x0ab": ""})"},
        {"a:\n", R"("a:")"},
        {"- a\nb: c", R"({"- a\x0ab": "c"})"},
        {"- - x\n", R"("- - x")"},
    };
    for (const auto& c : cases) {
        Yaml doc;
        doc.AddLine(c.line);
        EXPECT_EQ(test::Dump(*doc.root), c.tree) << test::Escaped(c.line);
    }
}

TEST(YamlReader, StrayValueGoesToRoot) {
    Yaml doc("a: |\n b\n");
    EXPECT_EQ(doc["a"]->Value(), "");
    EXPECT_EQ(doc.root->Value(), "b");
}

TEST(YamlReader, TextIsReadAcrossCallsAndOnlyUpToTheLastLineBreak) {
    Yaml doc;
    doc.AddText("a: |\n  x");
    EXPECT_EQ(doc["a"]->Value(), "");
    doc.AddText("  y\n  z\n");
    EXPECT_EQ(doc["a"]->Value(), "y\nz");
    doc.AddLine("b: 2");
    EXPECT_EQ(doc["b"]->Value(), "2");
}

TEST(YamlReader, ReadsIntoAReplacedRoot) {
    Yaml doc;
    doc.root = std::make_shared<YamlNode>();
    doc.AddLine("a: 1");
    EXPECT_EQ(doc["a"]->Value(), "1");
}

// Nested mappings deeper than 99 slots read back as written.
TEST(YamlReader, DeepNestingRoundTrips) {
    Yaml doc;
    YamlNode* node = doc.root.get();
    for (int depth = 0; depth < 150; ++depth) {
        (*node)["v" + std::to_string(depth)]->SetValue(std::to_string(depth));
        node = (*node)["k"].get();
    }
    node->Append(test::ScalarNode("end"));
    std::string text = doc.ToText();
    EXPECT_EQ(Yaml(text).ToText(), text);
}

TEST(YamlReader, WriterAmbiguitiesReadBackAsTheirSyntax) {
    const TextCase cases[] = {
        {"item value with dash", "- - x\n", "---\n- - x\n"},
        {"item value with key", "- a: b\n", "---\n- a: b\n"},
        {"outer spaces and quotes", "-  \"q\" \n", "---\n- q\n"},
        {"bar opens a block", "- |\n  a\n", "---\n- a\n"},
    };
    for (const TextCase& c : cases) {
        EXPECT_EQ(Yaml(c.text).ToText(), c.written) << c.what;
    }
}

}  // namespace
}  // namespace kb
