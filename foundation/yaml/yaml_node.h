#pragma once
// The in-memory tree of a small YAML document: nodes that are sequences, mappings or scalar
// texts, shared by reference-counted pointers, and their rendering back to lines of text.
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/string_list.h"
#include "foundation/text.h"

namespace kb {

class YamlNode;
using pYamlNode = std::shared_ptr<YamlNode>;
using YamlNodeVector = std::vector<pYamlNode>;

// Keys are ordered and told apart by the locale-aware, case-sensitive comparison (a < B < c).
struct YamlKeyOrder {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const { return TextLess(a, b); }
};
using YamlNodeMap = std::map<std::string, pYamlNode, YamlKeyOrder>;

using StringVector = std::vector<std::string>;

// The writer's output: one text per line, without line ends.
using YamlStringList = StringList;
using pYamlStringList = std::shared_ptr<YamlStringList>;

// Raised when a node of one kind is used as another; the message is exactly "Type Error".
class YamlTypeError : public std::runtime_error {
  public:
    YamlTypeError() : std::runtime_error("Type Error") {}
};

class YamlNode {
  public:
    enum NodeType {
        Vector = 0,   // sequence of child nodes
        Map = 1,      // child nodes by key
        Scalar = 2,   // a text value
        Unset = 3,    // reader's slot table only: nothing open at that indentation
        ItemMap = 4,  // reader's slot table only: a mapping opened on a sequence item's line
        Empty = 5,    // placeholder made by a lookup of a missing key or index
    };

    YamlNode() = default;
    explicit YamlNode(NodeType kind) : kind_(kind) {}
    ~YamlNode();
    YamlNode(const YamlNode&) = delete;
    YamlNode& operator=(const YamlNode&) = delete;

    // A Scalar or Empty node becomes a Vector first; any other kind raises YamlTypeError.
    void Append(pYamlNode child);
    // A Scalar or Empty node becomes a Map first; any other kind raises YamlTypeError. An
    // existing entry with an equal key is kept and the new child is dropped.
    void Insert(std::string key, pYamlNode child);
    // An Empty node becomes a Scalar first; any other kind raises YamlTypeError.
    void SetValue(std::string text);

    bool HasKey(std::string_view key) const;
    // Makes the node a Map (keeping its other contents) and answers the stored pointer of the
    // entry, adding an Empty node under the key when it is missing.
    pYamlNode& operator[](std::string_view key);
    // Makes the node a Vector and answers the stored pointer at index, growing the sequence
    // with Empty nodes up to it.
    pYamlNode& operator[](size_t index);

    // Number of sequence children, whatever the kind.
    size_t Size() const { return items_.size(); }
    // Keys in ascending order for a Map; empty for any other kind.
    StringVector Keys() const;

    NodeType Kind() const { return kind_; }
    const std::string& Value() const { return value_; }
    const YamlNodeVector& Items() const { return items_; }
    const YamlNodeMap& Entries() const { return entries_; }

    // The lines that render this node.
    pYamlStringList ToLines() const;
    // Each line of ToLines() followed by LF.
    std::string ToText() const;
    // ToText() trimmed: the value of a Scalar, "" for an Empty node.
    std::string AsText() const;

  private:
    friend class Yaml;  // the reader sets kinds and values directly

    // Moves every child pointer into out, leaving both containers empty.
    void TakeChildren(YamlNodeVector& out);

    NodeType kind_ = Scalar;
    YamlNodeVector items_;
    YamlNodeMap entries_;
    std::string value_;
};

}  // namespace kb
