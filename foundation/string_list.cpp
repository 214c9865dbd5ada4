#include "foundation/string_list.h"

#include <set>

#include "foundation/text.h"

namespace kb {

void StringList::Append(std::string text) {
    texts_.push_back(std::move(text));
}

void StringList::Prepend(std::string text) {
    texts_.insert(texts_.begin(), std::move(text));
}

void StringList::AddUnique(std::string text) {
    if (!Contains(text, false))
        Append(std::move(text));
}

bool StringList::Contains(std::string_view text, bool ignoreCase) const {
    if (!ignoreCase) {
        for (const std::string& entry : texts_) {
            if (TextEqual(entry, text))
                return true;
        }
        return false;
    }
    std::string wanted = UpperCase(text);
    for (const std::string& entry : texts_) {
        if (TextEqual(UpperCase(entry), wanted))
            return true;
    }
    return false;
}

void StringList::RemoveDuplicates() {
    std::set<std::string, TextOrder> seen;
    std::vector<std::string> kept;
    for (std::string& text : texts_) {
        if (seen.insert(LowerCase(text)).second)
            kept.push_back(std::move(text));
    }
    texts_ = std::move(kept);
}

void StringList::Clear() {
    texts_.clear();
}

}  // namespace kb
