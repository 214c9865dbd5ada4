#pragma once
// An ordered list of owned texts.
#include <string>
#include <string_view>
#include <vector>

namespace kb {

class StringList {
  public:
    using const_iterator = std::vector<std::string>::const_iterator;

    void Append(std::string text);
    void Prepend(std::string text);
    // Appends unless Contains(text, false).
    void AddUnique(std::string text);
    // Equal by the locale-aware comparison; with ignoreCase both sides are taken in upper case.
    bool Contains(std::string_view text, bool ignoreCase) const;
    // Removes every text equal to an earlier one when both are taken in lower case.
    void RemoveDuplicates();
    void Clear();

    size_t Size() const { return texts_.size(); }
    bool Empty() const { return texts_.empty(); }
    const std::string& operator[](size_t i) const { return texts_[i]; }
    const_iterator begin() const { return texts_.begin(); }
    const_iterator end() const { return texts_.end(); }
    const std::vector<std::string>& Texts() const { return texts_; }

  private:
    std::vector<std::string> texts_;
};

}  // namespace kb
