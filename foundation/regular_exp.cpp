#include "foundation/regular_exp.h"

#include <cctype>

#include "regex/engine.h"

namespace kb {

namespace {

using Spans = std::vector<regex::GroupSpan>;

std::string_view SpanText(std::string_view subject, const regex::GroupSpan& span) {
    return span.set ? subject.substr(span.start, span.end - span.start) : std::string_view();
}

// Expands one replacement for the match described by spans; see ReplaceAll in the header.
class ReplacementExpander {
  public:
    ReplacementExpander(const regex::CompiledPattern& pattern, std::string_view text,
                        const Spans& spans)
        : pattern_(pattern), text_(text), spans_(spans) {}

    void AppendTo(std::string_view replacement, std::string& out) const {
        size_t i = 0;
        while (i < replacement.size()) {
            size_t dollar = replacement.find('$', i);
            if (dollar == std::string_view::npos) {
                out.append(replacement.substr(i));
                return;
            }
            out.append(replacement.substr(i, dollar - i));
            i = dollar + 1 + ExpandSequence(replacement.substr(dollar + 1), out);
        }
    }

  private:
    // Appends what the "$" followed by rest stands for; answers how many characters of rest
    // it consumed.
    size_t ExpandSequence(std::string_view rest, std::string& out) const {
        const regex::GroupSpan& whole = spans_[0];
        char c = rest.empty() ? '\0' : rest[0];
        switch (c) {
            case '$':
                out.push_back('$');
                return 1;
            case '&':
                out.append(SpanText(text_, whole));
                return 1;
            case '`':
                out.append(text_.substr(0, whole.start));
                return 1;
            case '\'':
                out.append(text_.substr(whole.end));
                return 1;
            case '_':
                out.append(text_);
                return 1;
            case '+':
                out.append(SpanText(text_, spans_[HighestSetGroup()]));
                return 1;
            case '{':
                return ExpandBraced(rest, out);
            default:
                break;
        }
        if (std::isdigit(static_cast<unsigned char>(c)))
            return ExpandNumber(rest, out);
        out.push_back('$');
        return 0;
    }

    size_t HighestSetGroup() const {
        for (size_t i = spans_.size() - 1; i > 0; --i) {
            if (spans_[i].set)
                return i;
        }
        return 0;
    }

    // "$" and one to three digits; trailing digits are dropped until the number names a group.
    size_t ExpandNumber(std::string_view rest, std::string& out) const {
        size_t digits = 0;
        while (digits < 3 && digits < rest.size() &&
               std::isdigit(static_cast<unsigned char>(rest[digits]))) {
            ++digits;
        }
        for (; digits > 0; --digits) {
            size_t number = std::stoul(std::string(rest.substr(0, digits)));
            if (number < spans_.size()) {
                out.append(SpanText(text_, spans_[number]));
                return digits;
            }
        }
        out.push_back('$');
        return 0;
    }

    // "${name}" or "${number}"; stays literal when no such group exists.
    size_t ExpandBraced(std::string_view rest, std::string& out) const {
        size_t close = rest.find('}');
        if (close == std::string_view::npos || close == 1) {
            out.push_back('$');
            return 0;
        }
        std::string_view inside = rest.substr(1, close - 1);
        long number = -1;
        bool numeric = inside.find_first_not_of("0123456789") == std::string_view::npos;
        if (numeric) {
            number = inside.size() > 9 ? -1 : std::stol(std::string(inside));
            if (number < 1)
                number = -1;
        } else {
            number = regex::GroupNumber(pattern_, inside);
        }
        if (number < 0 || static_cast<size_t>(number) >= spans_.size()) {
            out.push_back('$');
            return 0;
        }
        out.append(SpanText(text_, spans_[static_cast<size_t>(number)]));
        return close + 1;
    }

    const regex::CompiledPattern& pattern_;
    std::string_view text_;
    const Spans& spans_;
};

}  // namespace

RegularExp::RegularExp(std::string pattern) : pattern_(std::move(pattern)) {}

RegularExp::RegularExp(std::string pattern, std::string_view text) : pattern_(std::move(pattern)) {
    Match(text);
}

bool RegularExp::Attempt(std::string_view subject, bool singleLine) {
    groups_.clear();
    subject_ = subject;
    auto& compiled = compiled_[singleLine ? 1 : 0];
    if (!compiled)
        compiled = regex::Compile(pattern_, singleLine);
    matched = regex::Search(*compiled, subject, 0, spans_);
    if (!matched)
        spans_.clear();
    return matched;
}

void RegularExp::Match(std::string_view text) {
    if (Attempt(text, false))
        CopyGroups();
}

void RegularExp::MatchSingleLine(std::string_view text) {
    if (Attempt(text, true))
        CopyGroups();
}

// Match and MatchSingleLine keep owned copies, so their groups outlive the text.
void RegularExp::CopyGroups() {
    std::vector<std::string> copies;
    copies.reserve(spans_.size());
    for (size_t i = 0; i < spans_.size(); ++i)
        copies.emplace_back(GroupView(i));
    groups_ = std::move(copies);
    subject_ = {};
}

bool RegularExp::Find(std::string_view subject, bool singleLine) {
    return Attempt(subject, singleLine);
}

std::string RegularExp::Group(size_t index) const {
    return std::string(GroupView(index));
}

// After Match the groups are owned copies; after Find they are views into the subject.
std::string_view RegularExp::GroupView(size_t index) const {
    if (index >= spans_.size() || !spans_[index].set)
        return {};
    if (!groups_.empty())
        return groups_[index];
    const Span& span = spans_[index];
    return subject_.substr(span.start, span.end - span.start);
}

size_t RegularExp::GroupStart(size_t index) const {
    return index < spans_.size() ? spans_[index].start : 0;
}

size_t RegularExp::GroupEnd(size_t index) const {
    return index < spans_.size() ? spans_[index].end : 0;
}

void RegularExp::ReplaceAll(std::string& text, std::string_view pattern,
                            std::string_view replacement, bool singleLine) {
    auto compiled = regex::Compile(pattern, singleLine);
    std::string_view subject = text;
    std::string out;
    Spans spans;
    size_t copied = 0;  // end of the text already moved to out
    size_t position = 0;
    bool replaced = false;
    while (position <= subject.size() && regex::Search(*compiled, subject, position, spans)) {
        replaced = true;
        const regex::GroupSpan& whole = spans[0];
        out.append(subject.substr(copied, whole.start - copied));
        ReplacementExpander(*compiled, subject, spans).AppendTo(replacement, out);
        copied = whole.end;
        // An empty match moves the search on by one character so that it cannot loop.
        position = whole.end > whole.start ? whole.end : whole.end + 1;
    }
    if (!replaced)
        return;
    out.append(subject.substr(copied));
    text = std::move(out);
}

std::string RegularExp::EscapeReplacement(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        out.push_back(c);
        if (c == '$')
            out.push_back('$');
    }
    return out;
}

}  // namespace kb
