#include <gtest/gtest.h>

#include <functional>

#include "foundation/yaml/yaml.h"
#include "tests/yaml/yaml_test_tree.h"

namespace kb {
namespace {

using test::ScalarNode;

void FillCoat(Yaml& doc, const std::string& info) {
    doc["name"] = ScalarNode("Coat");
    doc["sizes"]->Append(ScalarNode("S"));
    doc["sizes"]->Append(ScalarNode("M"));
    auto front = std::make_shared<YamlNode>();
    front->Insert("piece", ScalarNode("front"));
    front->Insert("count", ScalarNode("2"));
    auto back = std::make_shared<YamlNode>();
    back->Insert("piece", ScalarNode("back"));
    doc["parts"]->Append(front);
    doc["parts"]->Append(back);
    (*doc["notes"])["a"]->SetValue("1");
    doc["info"]->SetValue(info);
}

constexpr const char* kCoatText =
    "---\n"
    "info: |\n"
    "  first line\n"
    "  second line\n"
    "name: Coat\n"
    "notes: \n"
    "  a: 1\n"
    "parts: \n"
    "- count: 2\n"
    "  piece: front\n"
    "- piece: back\n"
    "sizes: \n"
    "- S\n"
    "- M\n";

TEST(YamlWriter, WorkedExampleTreeToText) {
    Yaml doc;
    FillCoat(doc, "first line\nsecond line");
    EXPECT_EQ(doc.ToText(), kCoatText);

    pYamlStringList lines = doc.root->ToLines();
    ASSERT_EQ(lines->Size(), 13u);
    EXPECT_EQ((*lines)[0], "info: |");
    EXPECT_EQ((*lines)[7], "- count: 2");
}

TEST(YamlWriter, WorkedExampleReadsBack) {
    Yaml read(kCoatText);
    Yaml expected;
    FillCoat(expected, "first line\nsecond line");
    EXPECT_EQ(test::Dump(*read.root), test::Dump(*expected.root));
}

TEST(YamlWriter, Cases) {
    struct Case {
        const char* what;
        std::function<void(YamlNode&)> build;
        const char* text;
    } cases[] = {
        {"new node", [](YamlNode&) {}, "\n"},
        {"sequence of Empty nodes", [](YamlNode& n) { n[1]; }, ""},
        {"empty containers are bare keys",
         [](YamlNode& n) {
             n["k"] = std::make_shared<YamlNode>(YamlNode::Map);
             (*n["v"])[0];
         },
         "k: \nv: \n"},
        {"multi-line item", [](YamlNode& n) { n.Append(ScalarNode("a\nb\n")); },
         "- |\n  a\n  b\n  \n"},
        {"multi-line scalar root keeps its line breaks", [](YamlNode& n) { n.SetValue("a\n\nb"); },
         "a\n\nb\n"},
        {"dash key map is indented", [](YamlNode& n) { (*n["p"])["-x"]->SetValue("1"); },
         "p: \n  -x: 1\n"},
        {"nested sequences",
         [](YamlNode& n) {
             (*n[0])[0]->SetValue("a");
             (*n[0])[1]->SetValue("b");
             n[1]->SetValue("c");
         },
         "- - a\n  - b\n- c\n"},
        {"map in map in sequence",
         [](YamlNode& n) {
             (*(*n[0])["k"])["x"]->SetValue("1");
             (*n[0])["l"]->SetValue("2");
         },
         "- k: \n    x: 1\n  l: 2\n"},
        {"outer blanks are quoted", [](YamlNode& n) { n["k"]->SetValue(" \"a: b\" "); },
         "k: \" \"a: b\" \"\n"},
    };
    for (const Case& c : cases) {
        YamlNode node;
        c.build(node);
        EXPECT_EQ(node.ToText(), c.text) << c.what;
        std::string joined;
        pYamlStringList lines = node.ToLines();
        for (const std::string& line : *lines)
            joined += line + "\n";
        EXPECT_EQ(joined, c.text) << c.what;
    }
}

// Each value is written plainly where that reads back as it, and otherwise in quotes or as a
// block; every form reads back as the value, as a mapping's value and as a sequence item.
TEST(YamlWriter, ScalarFormsReadBack) {
    struct Case {
        std::string value;
        const char* asEntry;  // the line of the key k
        const char* asItem;   // the lines of a root sequence's item
    } cases[] = {
        {"plain", "k: plain", "- plain"},
        {"a:b c", "k: a:b c", "- a:b c"},
        {"a: b", "k: a: b", "- |\n  a: b"},
        {"a:", "k: a:", "- \"a:\""},
        {"- x", "k: - x", "- \"- x\""},
        {"-x", "k: -x", "- -x"},
        {" x", "k: \" x\"", "- \" x\""},
        {"x\t", "k: \"x\t\"", "- \"x\t\""},
        {"\"q\"", "k: \"\"q\"\"", "- \"\"q\"\""},
        {"\"", "k: \"", "- \""},
        {"|", "k: \"|\"", "- \"|\""},
        {"||", "k: ||", "- ||"},
        {"", "k: ", "- "},
        {"a\nb", "k: |\n  a\n  b", "- |\n  a\n  b"},
        {"\nb\n", "k: |\n  \n  b\n  ", "- |\n  \n  b\n  "},
        {"x\n---", "k: |\n  x\n  ---", "- |\n  x\n  ---"},
    };
    for (const Case& c : cases) {
        YamlNode entry;
        entry["k"]->SetValue(c.value);
        EXPECT_EQ(entry.ToText(), std::string(c.asEntry) + "\n") << c.value;
        YamlNode item;
        item.Append(ScalarNode(c.value));
        EXPECT_EQ(item.ToText(), std::string(c.asItem) + "\n") << c.value;

        // Nested under a key and in an item's mapping, where blocks are indented further.
        Yaml doc;
        (*doc["outer"])["k"]->SetValue(c.value);
        (*doc["list"])[0]->Append(ScalarNode(c.value));
        (*(*doc["list"])[1])["k"]->SetValue(c.value);
        (*doc["list"])[2]->SetValue(c.value);
        EXPECT_EQ(test::Dump(*Yaml(doc.ToText()).root), test::Dump(*doc.root)) << doc.ToText();
    }
}

TEST(YamlWriter, DocumentMarker) {
    Yaml doc;
    EXPECT_EQ(doc.ToText(), "---\n\n");
    doc.root = std::make_shared<YamlNode>(YamlNode::Empty);
    EXPECT_EQ(doc.ToText(), "---\n");
    doc.root = std::make_shared<YamlNode>(YamlNode::Map);
    EXPECT_EQ(doc.ToText(), "---\n");
    doc.root = std::make_shared<YamlNode>();
    doc["k"];
    doc.root->Insert("x", ScalarNode("1"));
    EXPECT_EQ(doc.ToText(), "---\nk: \nx: 1\n");
}

}  // namespace
}  // namespace kb
