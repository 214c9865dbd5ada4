#pragma once
// One fuzzing round on arbitrary bytes: read them (whole, and in two calls), render the tree,
// and read the rendering again. Nothing may crash or trip a sanitizer.
#include <string_view>

#include "foundation/yaml/yaml.h"

namespace kb::test {

inline size_t VisitTree(const YamlNode& node) {
    size_t count = 1 + node.Keys().size() + node.Size();
    for (const pYamlNode& item : node.Items())
        count += item ? VisitTree(*item) : 0;
    for (const auto& entry : node.Entries())
        count += entry.second ? VisitTree(*entry.second) : 0;
    return count;
}

inline void FuzzYamlOnce(std::string_view text) {
    Yaml whole(text);
    VisitTree(*whole.root);
    whole.root->AsText();
    Yaml again(whole.ToText());
    VisitTree(*again.root);

    Yaml pieces;
    size_t half = text.size() / 2;
    pieces.AddText(text.substr(0, half));
    pieces.AddText(text.substr(half));
    pieces.AddLine(text);
    pieces.ToText();
    (*pieces.root)[text.substr(0, 3)]->AsText();
}

}  // namespace kb::test
