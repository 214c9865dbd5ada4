#pragma once
// One fuzzing round on arbitrary bytes: read them (whole, and in two calls), render the tree, and
// read the rendering again. Nothing may crash or trip a sanitizer, and whatever tree the bytes
// give, the writer's text of it reads back as that same tree and renders as the same text.
#include <string>
#include <string_view>

#include "foundation/yaml/yaml.h"
#include "tests/yaml/yaml_test_tree.h"

namespace kb::test {

// An empty text when the document's text reads back as the same tree and the same text again,
// otherwise what differs.
inline std::string RereadDifference(const Yaml& first) {
    const std::string written = first.ToText();
    const Yaml second(written);
    const std::string before = Dump(*first.root);
    const std::string after = Dump(*second.root);
    if (after != before)
        return "tree " + before + "\nread back as " + after + "\nfrom the text\n" + written;
    if (second.ToText() != written)
        return "the text\n" + written + "rendered again as\n" + second.ToText();
    return {};
}

// Whether every key of the tree can be written: a key that begins with a dash and a blank (read
// from a line that starts with a tab or another control character before the dash) would be
// read back as a sequence item, and the format has no quoted keys.
inline bool KeysWritable(const YamlNode& node) {
    for (const pYamlNode& item : node.Items()) {
        if (item && !KeysWritable(*item))
            return false;
    }
    for (const auto& [key, child] : node.Entries()) {
        if (key.compare(0, 2, "- ") == 0 || (child && !KeysWritable(*child)))
            return false;
    }
    return true;
}

// An empty text when the round passes, otherwise what went wrong.
inline std::string FuzzYamlOnce(std::string_view text) {
    Yaml whole(text);
    whole.root->AsText();
    std::string difference;
    // A lone scalar is written as its bare text, which is not meant to read back.
    if (whole.root->Kind() != YamlNode::Scalar && KeysWritable(*whole.root))
        difference = RereadDifference(whole);

    Yaml pieces;
    size_t half = text.size() / 2;
    pieces.AddText(text.substr(0, half));
    pieces.AddText(text.substr(half));
    pieces.AddLine(text);
    pieces.ToText();
    (*pieces.root)[text.substr(0, 3)]->AsText();
    return difference;
}

}  // namespace kb::test
