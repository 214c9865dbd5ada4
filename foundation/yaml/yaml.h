#pragma once
// A small YAML document: a tree of YamlNode read line by line from a subset of YAML (block
// mappings, block sequences, plain and double-quoted scalars, literal blocks after a lone "|")
// and rendered back by YamlNode::ToLines. Reading never fails on content. A document is read or
// changed by one thread at a time; different documents may be read on different threads.
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/yaml/yaml_node.h"

namespace kb {

class Yaml {
  public:
    Yaml();
    // Reads text as if it ended in LF, so that a last line without a line end is read too.
    explicit Yaml(std::string_view text);
    Yaml(const Yaml&) = delete;
    Yaml& operator=(const Yaml&) = delete;

    // Reads every line of text that ends in LF; text after the last LF is not read. CR is an
    // ordinary character. Continues from the state earlier lines left (an open block stays open).
    void AddText(std::string_view text);
    // Reads one line, given without its LF.
    void AddLine(std::string_view line);

    pYamlNode& operator[](std::string_view key) { return (*root)[key]; }
    bool HasKey(std::string_view key) const { return root->HasKey(key); }

    // "---\n" followed by the root's ToText().
    std::string ToText() const;

    pYamlNode root;

  private:
    // A construct's text: pad spaces followed by rest, a part of the line being read. An item's
    // content and a key's value are read in this form, indented as in their line.
    struct Indented {
        size_t pad;
        std::string_view rest;
        bool Empty() const { return pad == 0 && rest.empty(); }
    };

    void ReadConstruct(Indented text);
    void ReadValue(Indented text);
    bool HoldsBreak(std::string_view part) const;
    size_t SlotDepth(size_t width, YamlNode::NodeType kind);
    void OpenItem(size_t depth);
    void OpenKey(size_t depth, std::string key);
    void OpenBlock();
    bool InBlock(std::string_view line) const;
    void ReadBlockLine(std::string_view line);
    void EnsureLevels(size_t count);

    // The node open at each depth; entry 0 is the root.
    YamlNodeVector levels_;
    // Per indentation slot (columns / 2): the kind of construct last read there (Unset when
    // nothing is open) and its depth in levels_. Both grow with the deepest slot seen.
    std::vector<YamlNode::NodeType> slotKinds_;
    std::vector<size_t> slotDepths_;
    // Depth of the first construct of the current line, and the position of the construct
    // being read within the line (-1 before the first).
    size_t baseDepth_ = 0;
    std::ptrdiff_t inlinePos_ = -1;
    // The open literal block: the node receiving it (null when it has no place), the columns
    // every block line starts with, and whether it has taken a line yet.
    bool inBlock_ = false;
    bool blockStarted_ = false;
    pYamlNode blockNode_;
    size_t blockIndent_ = 0;
    // Leading spaces of the line being read, and whether it holds an LF.
    size_t lineIndent_ = 0;
    bool lineBreaks_ = false;
};

using pYaml = std::shared_ptr<Yaml>;

}  // namespace kb
