#include "foundation/yaml/yaml.h"

namespace kb {

namespace {

// The text without the characters of code 32 or less at either end.
std::string_view TrimView(std::string_view text) {
    auto kept = [](char c) { return static_cast<unsigned char>(c) > 32; };
    size_t begin = 0;
    while (begin < text.size() && !kept(text[begin]))
        ++begin;
    size_t end = text.size();
    while (end > begin && !kept(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

size_t LeadingSpaces(std::string_view text) {
    size_t count = text.find_first_not_of(' ');
    return count == std::string_view::npos ? text.size() : count;
}

bool StartsWith(std::string_view text, std::string_view start) {
    return text.substr(0, start.size()) == start;
}

}  // namespace

Yaml::Yaml() : root(std::make_shared<YamlNode>()), levels_{root} {}

Yaml::Yaml(std::string_view text) : Yaml() {
    AddText(text);
    size_t lastBreak = text.rfind('\n');
    AddLine(lastBreak == std::string_view::npos ? text : text.substr(lastBreak + 1));
}

void Yaml::AddText(std::string_view text) {
    for (size_t end; (end = text.find('\n')) != std::string_view::npos;) {
        AddLine(text.substr(0, end));
        text.remove_prefix(end + 1);
    }
}

void Yaml::AddLine(std::string_view line) {
    // A block's own line is its text even when it reads "---"; elsewhere that is a marker.
    if (inBlock_ && InBlock(line)) {
        ReadBlockLine(line);
        return;
    }
    if (TrimView(line) == "---")
        return;
    if (inBlock_) {
        inBlock_ = false;
        blockNode_.reset();
    }
    if (root && levels_[0] != root)
        levels_[0] = root;  // a caller may have replaced the root
    lineIndent_ = LeadingSpaces(line);
    lineBreaks_ = line.find('\n') != std::string_view::npos;
    inlinePos_ = -1;
    ReadConstruct({0, line});
}

std::string Yaml::ToText() const {
    return "---\n" + root->ToText();
}

// A line that starts with the block's indentation belongs to the block; any other line (an
// empty one too, unless the indentation is zero) ends it.
bool Yaml::InBlock(std::string_view line) const {
    return line.size() >= blockIndent_ &&
           LeadingSpaces(line.substr(0, blockIndent_)) == blockIndent_;
}

// Adds the rest of a block line, untrimmed, as the block's next line; a first line that is empty
// counts as a line too, so that a text beginning with a line break keeps it.
void Yaml::ReadBlockLine(std::string_view line) {
    if (blockNode_) {
        std::string& value = blockNode_->value_;
        if (blockStarted_ || !value.empty())
            value += '\n';
        value += line.substr(blockIndent_);
    }
    blockStarted_ = true;
}

// Whether a part of the current line holds an LF: only a line given to AddLine can.
bool Yaml::HoldsBreak(std::string_view part) const {
    return lineBreaks_ && part.find('\n') != std::string_view::npos;
}

// A construct is a sequence item (whose content is read as a further construct), a key with
// an optional value, or a value. Iterative, so that a line of many "- " cannot deepen the stack.
// An item is the line's leading spaces, "- " and a rest without LF. A key ends at the first
// colon, which ends the text or is followed by a space and a rest without LF (the value).
void Yaml::ReadConstruct(Indented text) {
    for (;;) {
        ++inlinePos_;
        if (text.Empty())
            return;
        const size_t spaces = LeadingSpaces(text.rest);
        std::string_view content = text.rest.substr(spaces);
        if (!StartsWith(content, "- ") || HoldsBreak(content.substr(2)))
            break;
        const size_t width = text.pad + spaces + 2;
        const size_t depth = SlotDepth(width, YamlNode::Vector);
        if (inlinePos_ == 0)
            baseDepth_ = depth;
        OpenItem(depth);
        text = {width, content.substr(2)};
    }
    const size_t colon = text.rest.find(':');
    if (colon == std::string_view::npos) {
        ReadValue(text);
        return;
    }
    std::string_view after = text.rest.substr(colon + 1);
    const bool withValue = StartsWith(after, " ") && !HoldsBreak(after);
    if (!withValue && !after.empty()) {
        ReadValue(text);
        return;
    }
    std::string_view head = text.rest.substr(0, colon);
    std::string_view name = TrimView(head);
    const size_t width = text.pad + head.size() - name.size();
    const size_t depth = SlotDepth(width, YamlNode::Map);
    if (inlinePos_ == 0)
        baseDepth_ = depth;
    OpenKey(depth, std::string(name));
    std::string_view value = withValue ? after.substr(1) : std::string_view();
    if (value.empty())
        return;
    ++inlinePos_;
    ReadValue({width, value});
}

// A value is a block marker (spaces and a lone "|"), or a plain or double-quoted scalar given
// to the node at the line's base depth plus the inline position; a value with no node there is
// dropped. Quotes come off a trimmed value that starts and ends with one and holds no LF.
void Yaml::ReadValue(Indented text) {
    if (text.rest.substr(LeadingSpaces(text.rest)) == "|") {
        OpenBlock();
        return;
    }
    std::string_view value = TrimView(text.rest);
    const size_t width = text.pad + text.rest.size() - value.size();
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"' &&
        !HoldsBreak(value.substr(1, value.size() - 2))) {
        value = value.substr(1, value.size() - 2);
    }
    if (inlinePos_ == 0)
        baseDepth_ = SlotDepth(width, YamlNode::Scalar);
    const size_t target = baseDepth_ + static_cast<size_t>(inlinePos_);
    if (target < levels_.size())
        levels_[target]->value_.assign(value);
}

// The block goes to the node that a plain value in the marker's place would go to. On a line
// of base depth 0 its lines start with two columns per inline position. On a deeper line that
// count is taken from the line's own indentation, so that a nested "key: |" keeps its text
// (counting from column 0 would give it to a node nearer the root).
void Yaml::OpenBlock() {
    size_t pos = static_cast<size_t>(inlinePos_);
    size_t target = baseDepth_ + pos;
    inBlock_ = true;
    blockStarted_ = false;
    blockNode_ = target < levels_.size() ? levels_[target] : nullptr;
    blockIndent_ = (baseDepth_ == 0 ? 0 : lineIndent_) + 2 * pos;
}

// Finds the depth of a construct of the given kind at an indentation of width columns, and
// records it in the slot tables; slots right of it are closed.
size_t Yaml::SlotDepth(size_t width, YamlNode::NodeType kind) {
    const size_t slot = width / 2;
    auto kindAt = [this](size_t i) {
        return i < slotKinds_.size() ? slotKinds_[i] : YamlNode::Unset;
    };
    auto depthAt = [this](size_t i) { return i < slotDepths_.size() ? slotDepths_[i] : 0; };
    auto record = [this](size_t i, YamlNode::NodeType k, size_t depth) {
        if (i >= slotKinds_.size()) {
            slotKinds_.resize(i + 1, YamlNode::Unset);
            slotDepths_.resize(i + 1, 0);
        }
        slotKinds_[i] = k;
        slotDepths_[i] = depth;
    };

    size_t depth = 0;
    if (slot == 0 && kind == YamlNode::Map) {
        record(0, YamlNode::Map, 0);
    } else if (slot == 1 && kindAt(0) == YamlNode::Unset && kind == YamlNode::Vector) {
        record(1, YamlNode::Vector, 0);  // an item in column 0 of a root sequence
    } else if (kind == YamlNode::Map && kindAt(slot) == YamlNode::Vector) {
        depth = depthAt(slot) + 1;  // a key on an item's line
        record(slot, YamlNode::ItemMap, depth);
    } else if (kindAt(slot) == YamlNode::ItemMap) {
        // A further key of the item's mapping, or the next item. The next item turns the slot
        // back into the sequence, so that what its line nests (as in "- - x") is placed below
        // the new item and not below the previous item's mapping.
        depth = kind == YamlNode::Vector ? depthAt(slot) - 1 : depthAt(slot);
        if (kind == YamlNode::Vector)
            record(slot, YamlNode::Vector, depth);
    } else if (slot == 0) {
        // A value line with less than two columns of indentation has no slot to its left: it
        // is the root's value (a document of one plain scalar), and no slot is recorded.
    } else {
        depth = depthAt(slot - 1) + 1;
        record(slot, kind, depth);
    }
    for (size_t i = slot + 1; i < slotKinds_.size() && slotKinds_[i] != YamlNode::Unset; ++i) {
        slotKinds_[i] = YamlNode::Unset;
    }
    return depth;
}

void Yaml::EnsureLevels(size_t count) {
    while (levels_.size() < count)
        levels_.push_back(std::make_shared<YamlNode>());
}

void Yaml::OpenItem(size_t depth) {
    EnsureLevels(depth + 2);
    auto item = std::make_shared<YamlNode>();
    levels_[depth]->kind_ = YamlNode::Vector;
    levels_[depth + 1] = item;
    levels_[depth]->Append(std::move(item));
}

// When the key exists already the mapping keeps its earlier child, and what the lines below
// attach to the new node is lost.
void Yaml::OpenKey(size_t depth, std::string key) {
    EnsureLevels(depth + 2);
    auto child = std::make_shared<YamlNode>();
    levels_[depth]->kind_ = YamlNode::Map;
    levels_[depth + 1] = child;
    levels_[depth]->Insert(std::move(key), std::move(child));
}

}  // namespace kb
