#include <gtest/gtest.h>

#include <functional>

#include "foundation/yaml/yaml_node.h"
#include "tests/yaml/yaml_test_tree.h"

namespace kb {
namespace {

using test::ScalarNode;

TEST(YamlNode, KeyLookupOnSequenceMakesMapAndKeepsItems) {
    YamlNode node;
    node.Append(ScalarNode("x"));
    node.Append(ScalarNode("y"));
    pYamlNode& entry = node["k"];
    EXPECT_EQ(node.Kind(), YamlNode::Map);
    EXPECT_EQ(entry->Kind(), YamlNode::Empty);
    EXPECT_EQ(node.Size(), 2u);
    EXPECT_EQ(node.Keys(), StringVector{"k"});
    EXPECT_EQ(node.ToText(), "k: \n");  // the items are kept but not rendered
}

TEST(YamlNode, InsertKeepsEarlierChild) {
    YamlNode node;
    pYamlNode first = ScalarNode("A");
    node.Insert("k", first);
    node.Insert("k", ScalarNode("B"));
    EXPECT_EQ(node["k"], first);
}

TEST(YamlNode, IndexLookupGrowsSequenceWithEmptyNodes) {
    YamlNode node;
    pYamlNode& fourth = node[3];
    EXPECT_EQ(node.Kind(), YamlNode::Vector);
    ASSERT_EQ(node.Size(), 4u);
    for (const pYamlNode& item : node.Items())
        EXPECT_EQ(item->Kind(), YamlNode::Empty);
    EXPECT_EQ(&fourth, &node[3]);
    fourth = ScalarNode("v");  // the stored pointer may be replaced through the reference
    EXPECT_EQ(node.Items()[3]->Value(), "v");
    EXPECT_EQ(node.ToText(), "- v\n");  // Empty items are left out
}

TEST(YamlNode, WrongKindRaisesTypeErrorAndChangesNothing) {
    YamlNode map;
    map.Insert("a", ScalarNode("1"));
    YamlNode vector;
    vector.Append(ScalarNode("1"));
    struct Case {
        const char* what;
        std::function<void()> call;
    } cases[] = {
        {"SetValue on Map", [&] { map.SetValue("x"); }},
        {"Append on Map", [&] { map.Append(ScalarNode("x")); }},
        {"Insert on Vector", [&] { vector.Insert("b", ScalarNode("x")); }},
        {"SetValue on Vector", [&] { vector.SetValue("x"); }},
    };
    for (const Case& c : cases) {
        try {
            c.call();
            ADD_FAILURE() << c.what << " did not throw";
        } catch (const YamlTypeError& e) {
            EXPECT_STREQ(e.what(), "Type Error") << c.what;
        }
    }
    EXPECT_EQ(map.Kind(), YamlNode::Map);
    EXPECT_EQ(map.ToText(), "a: 1\n");
    EXPECT_EQ(vector.Kind(), YamlNode::Vector);
    EXPECT_EQ(vector.ToText(), "- 1\n");
}

TEST(YamlNode, ScalarAndEmptyNodesTakeAnyFirstUse) {
    YamlNode empty(YamlNode::Empty);
    empty.SetValue("v");
    EXPECT_EQ(empty.Kind(), YamlNode::Scalar);

    YamlNode scalar;
    scalar.SetValue("kept");
    scalar.Append(ScalarNode("x"));
    EXPECT_EQ(scalar.Kind(), YamlNode::Vector);
    EXPECT_EQ(scalar.Value(), "kept");

    YamlNode other(YamlNode::Empty);
    other.Insert("k", ScalarNode("x"));
    EXPECT_EQ(other.Kind(), YamlNode::Map);
}

TEST(YamlNode, KeysFollowLocaleOrderAndCase) {
    YamlNode node;
    for (const char* key : {"c", "B", "a", "A"})
        node.Insert(key, ScalarNode(key));
    StringVector keys = node.Keys();
    ASSERT_EQ(keys.size(), 4u);  // a and A are different keys
    EXPECT_EQ(keys[3], "c");
    EXPECT_EQ(keys[2], "B");
    EXPECT_TRUE(keys[0] == "a" || keys[0] == "A");
    EXPECT_EQ(YamlNode().Keys(), StringVector{});
}

TEST(YamlNode, HasKeyChangesNothing) {
    YamlNode node;
    node.SetValue("v");
    EXPECT_FALSE(node.HasKey("k"));
    EXPECT_EQ(node.Kind(), YamlNode::Scalar);
    node["k"];
    EXPECT_EQ(node.Kind(), YamlNode::Map);
    EXPECT_TRUE(node.HasKey("k"));
    EXPECT_FALSE(node.HasKey("K"));
}

TEST(YamlNode, AsTextTrimsScalarAndReadsEmptyAsNothing) {
    EXPECT_EQ(ScalarNode(" \t x y \r")->AsText(), "x y");
    EXPECT_EQ(YamlNode(YamlNode::Empty).AsText(), "");
    YamlNode map;
    EXPECT_EQ(map["missing"]->AsText(), "");
}

TEST(YamlNode, NullChildIsRenderedAsNothing) {
    YamlNode node;
    node["k"] = nullptr;
    node["m"]->Append(nullptr);
    EXPECT_EQ(node.ToText(), "k: \nm: \n");
}

TEST(YamlNode, VeryDeepTreeIsReleasedWithoutRecursion) {
    auto root = std::make_shared<YamlNode>();
    YamlNode* last = root.get();
    std::weak_ptr<YamlNode> deepest;
    for (int i = 0; i < 300000; ++i) {
        auto child = std::make_shared<YamlNode>();
        YamlNode* next = child.get();
        deepest = child;
        if (i % 2) {
            last->Append(std::move(child));
        } else {
            last->Insert("k", std::move(child));
        }
        last = next;
    }
    EXPECT_FALSE(deepest.expired());
    root.reset();
    EXPECT_TRUE(deepest.expired());
}

TEST(YamlNode, SharedSubtreeOutlivesItsParent) {
    pYamlNode kept;
    {
        YamlNode parent;
        parent["a"]->Append(ScalarNode("x"));
        kept = parent["a"];
    }
    EXPECT_EQ(kept->ToText(), "- x\n");
}

}  // namespace
}  // namespace kb
