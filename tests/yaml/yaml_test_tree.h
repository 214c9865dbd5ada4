#pragma once
// Helpers shared by the YAML tests: building nodes and a JSON form of a tree.
#include <string>

#include "foundation/yaml/yaml_node.h"

namespace kb::test {

inline pYamlNode ScalarNode(std::string value) {
    auto node = std::make_shared<YamlNode>();
    node->SetValue(std::move(value));
    return node;
}

// The tree as JSON with ", " and ": " separators; scalars are quoted without escapes (the
// generated trees hold neither quotes nor backslashes). Empty nodes read as "".
inline std::string Json(const YamlNode& node) {
    std::string out;
    switch (node.Kind()) {
        case YamlNode::Vector:
            out = "[";
            for (size_t i = 0; i < node.Items().size(); ++i) {
                out += (i ? ", " : "") + Json(*node.Items()[i]);
            }
            return out + "]";
        case YamlNode::Map:
            out = "{";
            for (const auto& [key, child] : node.Entries()) {
                out += (out.size() > 1 ? ", \"" : "\"") + key + "\": " + Json(*child);
            }
            return out + "}";
        case YamlNode::Scalar:
            return "\"" + node.Value() + "\"";
        default:
            return "\"\"";
    }
}

// An exact form of the tree for comparisons: like Json, but quotes, backslashes and control
// characters in keys and values are escaped, so that different trees never give equal texts.
inline std::string Escaped(const std::string& text) {
    static const char* const kHex = "0123456789abcdef";
    std::string out = "\"";
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 32) {
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        } else {
            out += c;
        }
    }
    return out + "\"";
}

inline std::string Dump(const YamlNode& node) {
    std::string out;
    switch (node.Kind()) {
        case YamlNode::Vector:
            out = "[";
            for (const pYamlNode& item : node.Items())
                out += (out.size() > 1 ? ", " : "") + (item ? Dump(*item) : "null");
            return out + "]";
        case YamlNode::Map:
            out = "{";
            for (const auto& [key, child] : node.Entries())
                out += (out.size() > 1 ? ", " : "") + Escaped(key) + ": " +
                       (child ? Dump(*child) : "null");
            return out + "}";
        case YamlNode::Scalar:
            return Escaped(node.Value());
        default:
            return "\"\"";
    }
}

}  // namespace kb::test
