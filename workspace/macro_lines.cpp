#include "workspace/macro_lines.h"

namespace kb {
namespace {

constexpr size_t npos = std::string_view::npos;

// A dot does not match LF, so each pattern matches within one LF-free part of the line, and the
// leftmost match is in the first part that matches.
template <typename Matcher>
std::optional<std::string_view> FirstPartMatch(std::string_view line, Matcher match) {
    for (size_t start = 0;;) {
        const size_t end = line.find('\n', start);
        if (auto capture = match(line.substr(start, end == npos ? npos : end - start)))
            return capture;
        if (end == npos)
            return std::nullopt;
        start = end + 1;
    }
}

// ".*keyword" then commas times ".*," then ".*[\"](.*)[\"].*" on a part without LF. Whichever
// keyword and commas the greedy stars settle on, the capture lies between the last two quotes
// of the part; it matches when the earliest keyword is followed by that many commas before the
// second-to-last quote.
std::optional<std::string_view> KeywordCommasQuoted(std::string_view part, std::string_view keyword,
                                                    int commas) {
    const size_t keywordAt = part.find(keyword);
    if (keywordAt == npos)
        return std::nullopt;
    const size_t lastQuote = part.rfind('"');
    if (lastQuote == npos || lastQuote == 0)
        return std::nullopt;
    const size_t openingQuote = part.rfind('"', lastQuote - 1);
    if (openingQuote == npos)
        return std::nullopt;
    size_t position = keywordAt + keyword.size();
    for (int i = 0; i < commas; ++i) {
        const size_t comma = part.find(',', position);
        if (comma == npos || comma >= openingQuote)
            return std::nullopt;
        position = comma + 1;
    }
    return part.substr(openingQuote + 1, lastQuote - openingQuote - 1);
}

// ".*measure_table[(][\"](.*)[\"].*" on a part without LF: the greedy stars take the last
// "measure_table(\"" that a further quote follows, and the capture runs to the last quote.
std::optional<std::string_view> MeasureTablePart(std::string_view part) {
    constexpr std::string_view keyword = "measure_table(\"";
    const size_t lastQuote = part.rfind('"');
    if (lastQuote == npos || lastQuote < keyword.size())
        return std::nullopt;
    const size_t keywordAt = part.rfind(keyword, lastQuote - keyword.size());
    if (keywordAt == npos)
        return std::nullopt;
    const size_t nameAt = keywordAt + keyword.size();
    return part.substr(nameAt, lastQuote - nameAt);
}

}  // namespace

std::optional<std::string_view> PictureInputName(std::string_view line) {
    return FirstPartMatch(line, [](std::string_view part) {
        return KeywordCommasQuoted(part, "add_picture_input", 2);
    });
}

std::optional<std::string_view> PictItemName(std::string_view line) {
    return FirstPartMatch(
        line, [](std::string_view part) { return KeywordCommasQuoted(part, "add_pict_item", 1); });
}

std::optional<std::string_view> MeasureTableName(std::string_view line) {
    return FirstPartMatch(line, MeasureTablePart);
}

}  // namespace kb
