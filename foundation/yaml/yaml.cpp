#include "foundation/yaml/yaml.h"

#include "foundation/regular_exp.h"

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

// Whether one of the key patterns can match: the first colon ends the text, or is followed by a
// space and no LF follows. The patterns are not tried otherwise, because on a long line that is
// no key their backtracking takes time quadratic in the line's length.
bool MayBeKeyLine(std::string_view text) {
    size_t colon = text.find(':');
    if (colon == std::string_view::npos)
        return false;
    std::string_view after = text.substr(colon + 1);
    return after.empty() || (after[0] == ' ' && after.find('\n') == std::string_view::npos);
}

std::string Spaces(size_t width, std::string_view after) {
    std::string text(width, ' ');
    text += after;
    return text;
}

}  // namespace

Yaml::Yaml() : root(std::make_shared<YamlNode>()), levels_{root} {}

Yaml::Yaml(std::string_view text) : Yaml() {
    AddText(text);
    size_t lastBreak = text.rfind('\n');
    AddLine(lastBreak == std::string_view::npos ? text : text.substr(lastBreak + 1));
}

void Yaml::AddText(std::string_view text) {
    // Each match takes one line and leaves the rest as a view, so nothing is copied per line.
    thread_local RegularExp splitLine("([^\n]*)\n(.*$)");
    while (splitLine.Find(text, true)) {
        std::string_view line = splitLine.GroupView(1);
        std::string_view rest = text.substr(splitLine.GroupStart(2));
        AddLine(line);
        text = rest;
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
    if (root)
        levels_[0] = root;  // a caller may have replaced the root
    lineIndent_ = LeadingSpaces(line);
    inlinePos_ = -1;
    ReadConstruct(line);
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

// A construct is a sequence item (whose content is read as a further construct), a key with
// an optional value, or a value. Iterative, so that a line of many "- " cannot deepen the stack.
void Yaml::ReadConstruct(std::string_view text) {
    thread_local RegularExp item("^( *)- (.*)$");
    thread_local RegularExp keyValue("^([ ]*[^:]*): (.*)$");
    thread_local RegularExp keyOnly("^([ ]*[^:]*):$");
    std::string content;
    for (;;) {
        ++inlinePos_;
        if (text.empty())
            return;
        if (!item.Find(text, false))
            break;
        size_t width = item.GroupView(1).size() + 2;
        size_t depth = SlotDepth(width, YamlNode::Vector);
        if (inlinePos_ == 0)
            baseDepth_ = depth;
        OpenItem(depth);
        content = Spaces(width, item.GroupView(2));
        text = content;
    }
    const bool keyLike = MayBeKeyLine(text);
    const bool withValue = keyLike && keyValue.Find(text, false);
    if (!withValue && !(keyLike && keyOnly.Find(text, false))) {
        ReadValue(text);
        return;
    }
    const RegularExp& key = withValue ? keyValue : keyOnly;
    std::string_view name = TrimView(key.GroupView(1));
    size_t width = key.GroupView(1).size() - name.size();
    size_t depth = SlotDepth(width, YamlNode::Map);
    if (inlinePos_ == 0)
        baseDepth_ = depth;
    OpenKey(depth, std::string(name));
    std::string_view value = withValue ? key.GroupView(2) : std::string_view();
    if (value.empty())
        return;
    ++inlinePos_;
    ReadValue(Spaces(width, value));
}

// A value is a block marker, or a plain or double-quoted scalar given to the node at the
// line's base depth plus the inline position; a value with no node there is dropped.
void Yaml::ReadValue(std::string_view text) {
    thread_local RegularExp blockMarker("^([ ]*)[|]$");
    thread_local RegularExp quoted("^\"(.*)\"$");
    if (blockMarker.Find(text, false)) {
        OpenBlock();
        return;
    }
    std::string_view value = TrimView(text);
    size_t width = text.size() - value.size();
    if (quoted.Find(value, false))
        value = quoted.GroupView(1);
    if (inlinePos_ == 0)
        baseDepth_ = SlotDepth(width, YamlNode::Scalar);
    size_t target = baseDepth_ + static_cast<size_t>(inlinePos_);
    if (target < levels_.size())
        levels_[target]->value_ = std::string(value);
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
