#include "foundation/yaml/yaml_node.h"

#include <initializer_list>

#include "foundation/regular_exp.h"

namespace kb {

namespace {

// Receives rendered lines as pieces (indentation, dashes, key, value) to be joined.
class LineSink {
  public:
    virtual ~LineSink() = default;
    void Line(std::initializer_list<std::string_view> pieces) {
        Put(pieces);
        ++count_;
    }
    size_t Count() const { return count_; }

  private:
    virtual void Put(std::initializer_list<std::string_view> pieces) = 0;
    size_t count_ = 0;
};

class ListSink : public LineSink {
  public:
    explicit ListSink(YamlStringList& list) : list_(list) {}

  private:
    void Put(std::initializer_list<std::string_view> pieces) override {
        std::string line;
        for (std::string_view piece : pieces)
            line += piece;
        list_.Append(std::move(line));
    }
    YamlStringList& list_;
};

class TextSink : public LineSink {
  public:
    explicit TextSink(std::string& text) : text_(text) {}

  private:
    void Put(std::initializer_list<std::string_view> pieces) override {
        for (std::string_view piece : pieces)
            text_ += piece;
        text_ += '\n';
    }
    std::string& text_;
};

// The lines of a multi-line value, in order: the value is split at its last LF again and again.
std::vector<std::string_view> ValueLines(std::string_view value) {
    thread_local RegularExp lastBreak("(.*)\n(.*)");
    std::vector<std::string_view> reversed;
    while (lastBreak.Find(value, true)) {
        reversed.push_back(lastBreak.GroupView(2));
        value = lastBreak.GroupView(1);
    }
    reversed.push_back(value);
    return {reversed.rbegin(), reversed.rend()};
}

bool HoldsLineBreak(std::string_view value) {
    return value.find('\n') != std::string_view::npos;
}

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

// Whether a line's content would be read as a key: its first colon ends it or is followed by a
// space.
bool ReadsAsKey(std::string_view text) {
    size_t colon = text.find(':');
    return colon != std::string_view::npos && (colon + 1 == text.size() || text[colon + 1] == ' ');
}

bool IsQuoted(std::string_view value) {
    return value.size() >= 2 && value.front() == '"' && value.back() == '"';
}

// How a scalar is written after its key or dash: as it is where the reader gives back the same
// text, in double quotes where only trimming, unquoting, a block marker or (for an item) a
// nested dash would change it, and as a literal block otherwise (line breaks, or an item that
// would be read as a key even in quotes).
enum class ScalarForm { Plain, Quoted, Block };

ScalarForm FormOf(std::string_view value, bool item) {
    if (HoldsLineBreak(value))
        return ScalarForm::Block;
    if (value.empty())
        return ScalarForm::Plain;
    const bool asItem = item && value.substr(0, 2) == "- ";
    if (!IsBlank(value.front()) && !IsBlank(value.back()) && !IsQuoted(value) && value != "|" &&
        !asItem && !(item && ReadsAsKey(value))) {
        return ScalarForm::Plain;
    }
    if (item && ReadsAsKey("\"" + std::string(value) + "\""))
        return ScalarForm::Block;
    return ScalarForm::Quoted;
}

// Whether the lines of a container child are written in its key's column: a sequence's are, as
// its items belong to the key in the column of their dashes; a mapping's are indented.
bool WrittenInKeyColumn(const YamlNode* node) {
    return node != nullptr && node->Kind() == YamlNode::Vector;
}

// Renders node into sink: its first line after the prefix first, every further one after rest.
class NodeWriter {
  public:
    NodeWriter(LineSink& sink, const std::string& first, const std::string& rest)
        : sink_(sink), start_(sink.Count()), first_(first), rest_(rest) {}

    void Write(const YamlNode& node) {
        switch (node.Kind()) {
            case YamlNode::Scalar:
                sink_.Line({first_, node.Value()});
                break;
            case YamlNode::Vector:
                for (const pYamlNode& child : node.Items())
                    WriteItem(child.get());
                break;
            case YamlNode::Map:
                for (const auto& [key, child] : node.Entries())
                    WriteEntry(key, child.get());
                break;
            default:  // Empty, and the reader-only kinds: no lines
                break;
        }
    }

  private:
    const std::string& Next() const { return sink_.Count() > start_ ? rest_ : first_; }

    // The line of key and marker ("- " or ": ") followed by the value in the form that reads
    // back as it, for a block followed by one indented line per line of the value.
    void WriteScalar(std::string_view key, std::string_view marker, std::string_view value) {
        switch (FormOf(value, marker == "- ")) {
            case ScalarForm::Plain:
                sink_.Line({Next(), key, marker, value});
                return;
            case ScalarForm::Quoted:
                sink_.Line({Next(), key, marker, "\"", value, "\""});
                return;
            case ScalarForm::Block:
                sink_.Line({Next(), key, marker, "|"});
                for (std::string_view line : ValueLines(value))
                    sink_.Line({rest_, "  ", line});
                return;
        }
    }

    void WriteItem(const YamlNode* child) {
        if (child == nullptr)
            return;
        if (child->Kind() == YamlNode::Scalar) {
            WriteScalar("", "- ", child->Value());
            return;
        }
        std::string first = Next() + "- ";
        std::string rest = rest_ + "  ";
        NodeWriter(sink_, first, rest).Write(*child);
    }

    void WriteEntry(const std::string& key, const YamlNode* child) {
        if (child != nullptr && child->Kind() == YamlNode::Scalar) {
            WriteScalar(key, ": ", child->Value());
            return;
        }
        sink_.Line({Next(), key, ": "});
        if (child == nullptr)
            return;
        std::string indent = WrittenInKeyColumn(child) ? rest_ : rest_ + "  ";
        NodeWriter(sink_, indent, indent).Write(*child);
    }

    LineSink& sink_;
    size_t start_;
    const std::string& first_;
    const std::string& rest_;
};

}  // namespace

YamlNode::~YamlNode() {
    // Releases the subtree without recursion, so that very deep trees cannot exhaust the stack:
    // a child owned only here gives up its own children before it goes.
    YamlNodeVector pending;
    TakeChildren(pending);
    while (!pending.empty()) {
        pYamlNode node = std::move(pending.back());
        pending.pop_back();
        if (node && node.use_count() == 1)
            node->TakeChildren(pending);
    }
}

void YamlNode::TakeChildren(YamlNodeVector& out) {
    for (pYamlNode& child : items_)
        out.push_back(std::move(child));
    items_.clear();
    for (auto& entry : entries_)
        out.push_back(std::move(entry.second));
    entries_.clear();
}

void YamlNode::Append(pYamlNode child) {
    if (kind_ == Scalar || kind_ == Empty)
        kind_ = Vector;
    if (kind_ != Vector)
        throw YamlTypeError();
    items_.push_back(std::move(child));
}

void YamlNode::Insert(std::string key, pYamlNode child) {
    if (kind_ == Scalar || kind_ == Empty)
        kind_ = Map;
    if (kind_ != Map)
        throw YamlTypeError();
    // Hinted at the end: keys that arrive in order, as the reader meets them in written text,
    // then cost one comparison each.
    entries_.try_emplace(entries_.end(), std::move(key), std::move(child));
}

void YamlNode::SetValue(std::string text) {
    if (kind_ == Empty)
        kind_ = Scalar;
    if (kind_ != Scalar)
        throw YamlTypeError();
    value_ = std::move(text);
}

bool YamlNode::HasKey(std::string_view key) const {
    return kind_ == Map && entries_.find(key) != entries_.end();
}

pYamlNode& YamlNode::operator[](std::string_view key) {
    kind_ = Map;
    auto at = entries_.lower_bound(key);
    if (at == entries_.end() || entries_.key_comp()(key, at->first)) {
        at = entries_.emplace_hint(at, std::string(key), std::make_shared<YamlNode>(Empty));
    }
    return at->second;
}

pYamlNode& YamlNode::operator[](size_t index) {
    kind_ = Vector;
    while (items_.size() <= index)
        items_.push_back(std::make_shared<YamlNode>(Empty));
    return items_[index];
}

StringVector YamlNode::Keys() const {
    StringVector keys;
    if (kind_ != Map)
        return keys;
    keys.reserve(entries_.size());
    for (const auto& entry : entries_)
        keys.push_back(entry.first);
    return keys;
}

pYamlStringList YamlNode::ToLines() const {
    auto lines = std::make_shared<YamlStringList>();
    ListSink sink(*lines);
    const std::string noPrefix;
    NodeWriter(sink, noPrefix, noPrefix).Write(*this);
    return lines;
}

std::string YamlNode::ToText() const {
    std::string text;
    TextSink sink(text);
    const std::string noPrefix;
    NodeWriter(sink, noPrefix, noPrefix).Write(*this);
    return text;
}

std::string YamlNode::AsText() const {
    return Trim(ToText());
}

}  // namespace kb
