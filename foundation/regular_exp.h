#pragma once
// The pattern class through which all line parsing goes. Perl syntax, bytes, leftmost-first
// backtracking. "^" and "$" anchor to the whole text only; single-line mode lets "." match LF.
// An object is used by one thread at a time; separate objects are independent.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "regex/engine.h"

namespace kb {

class RegularExp {
  public:
    explicit RegularExp(std::string pattern);
    // Stores the pattern, then runs Match(text).
    RegularExp(std::string pattern, std::string_view text);

    void Match(std::string_view text);
    void MatchSingleLine(std::string_view text);

    // Like Match/MatchSingleLine but copies nothing: groups are available as views into subject
    // (GroupView, GroupStart, GroupEnd), valid while subject lives; Group() copies from them.
    bool Find(std::string_view subject, bool singleLine);

    // Entry index of the groups of the last Match: 0 the whole match; "" for a group that took
    // no part (or when index is out of range).
    std::string Group(size_t index) const;
    std::string_view GroupView(size_t index) const;
    size_t GroupStart(size_t index) const;
    size_t GroupEnd(size_t index) const;
    size_t GroupCount() const { return spans_.size(); }

    bool matched = false;
    const std::string& Pattern() const { return pattern_; }

    // Replaces every match of pattern in text, left to right, by the expanded replacement
    // ("$$", "$&", "$`", "$'", "$+", "$_", "$n", "${n}").
    static void ReplaceAll(std::string& text, std::string_view pattern,
                           std::string_view replacement, bool singleLine);
    // Doubles every "$" so that ReplaceAll inserts the text literally.
    static std::string EscapeReplacement(std::string_view text);

  private:
    using Span = regex::GroupSpan;
    bool Attempt(std::string_view subject, bool singleLine);
    void CopyGroups();

    std::string pattern_;
    // The compiled code of each mode, fetched once per object: plain [0], single-line [1].
    std::shared_ptr<const regex::CompiledPattern> compiled_[2];
    std::vector<Span> spans_;
    std::vector<std::string> groups_;
    std::string_view subject_;
};

}  // namespace kb
