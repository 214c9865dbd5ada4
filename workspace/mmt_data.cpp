#include "workspace/mmt_data.h"

#include <algorithm>
#include <charconv>

#include "foundation/files.h"
#include "foundation/regular_exp.h"

namespace kb {
namespace {

// The header and row patterns, matched in single-line mode from the start of the remaining text.
// The trailing "everything after the line" group of the file format is left out: it always
// matches, and the next line starts at the end of the match, so the rest is never copied or
// rescanned and a load takes time linear in the file.
RegularExp& HeaderPattern() {
    thread_local RegularExp pattern("^(.*?)\t(.*?)\t(.*?)\n");
    return pattern;
}

RegularExp& RowPattern() {
    thread_local RegularExp pattern("^(.*?)\t(.*?)\t(.*?)\t(.*?)\n");
    return pattern;
}

// A row value, "." as decimal separator whatever the locale; spaces around it are allowed.
double ParseValue(std::string_view field, std::string_view path, size_t row) {
    std::string_view text = field;
    text.remove_prefix(std::min(text.find_first_not_of(' '), text.size()));
    text.remove_suffix(text.size() - (text.find_last_not_of(' ') + 1));
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first != last && *first == '+' && last - first > 1 && first[1] != '-')
        ++first;
    double value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    if (text.empty() || error != std::errc() || end != last) {
        throw MmtValueError("Measurement table " + std::string(path) + ": the value \"" +
                            std::string(field) + "\" of row " + std::to_string(row) +
                            " is not a number");
    }
    return value;
}

void ClearRows(MmtData& data) {
    data.rowNames.clear();
    data.rowTexts.clear();
    data.rowValues.clear();
    data.rowPictures.clear();
}

}  // namespace

bool ParseMmt(MmtData& data, std::string_view text, std::string_view path) {
    ClearRows(data);
    RegularExp& header = HeaderPattern();
    if (!header.Find(text, true))
        return false;
    data.name = header.GroupView(1);
    data.headerField2 = header.GroupView(2);
    size_t offset = header.GroupEnd(0);
    RegularExp& row = RowPattern();
    while (offset < text.size()) {
        const std::string_view rest = text.substr(offset);
        if (!row.Find(rest, true))
            return false;
        offset += row.GroupEnd(0);
        data.rowNames.emplace_back(row.GroupView(1));
        data.rowValues.push_back(ParseValue(row.GroupView(2), path, data.rowNames.size()));
        data.rowTexts.emplace_back(row.GroupView(3));
        data.rowPictures.emplace_back(row.GroupView(4));
    }
    return true;
}

bool LoadMmt(MmtData& data, const std::string& path) {
    return ParseMmt(data, ReadTextFile(path), path);
}

}  // namespace kb
