#include "workspace/mmt_data.h"

#include <algorithm>
#include <charconv>
#include <span>

#include "foundation/files.h"
#include "foundation/paths.h"
#include "foundation/text.h"

namespace kb {
namespace {

// One line of the format from offset: fields.size() fields, each but the last ending at the next
// TAB, the last at the first LF after them (so a field may hold an LF, and extra TABs go into the
// last field). This is what the format's lazy patterns "(.*?)\t...(.*?)\n" give in single-line
// mode, found without backtracking. Answers the offset after the LF, or npos when the text
// holds too few TABs or no LF after them.
size_t SplitLine(std::string_view text, size_t offset, std::span<std::string_view> fields) {
    const size_t last = fields.size() - 1;
    for (size_t i = 0; i <= last; ++i) {
        const size_t end = text.find(i < last ? '\t' : '\n', offset);
        if (end == std::string_view::npos)
            return std::string_view::npos;
        fields[i] = text.substr(offset, end - offset);
        offset = end + 1;
    }
    return offset;
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

std::optional<MmtHeader> ReadMmtHeader(std::string_view text) {
    std::string_view fields[3];
    const size_t rowsAt = SplitLine(text, 0, fields);
    if (rowsAt == std::string_view::npos)
        return std::nullopt;
    return MmtHeader{fields[0], fields[1], rowsAt};
}

bool ReadMmtRows(std::string_view text, const MmtHeader& header, std::string_view path,
                 const std::function<void(const MmtRow&)>& onRow) {
    std::string_view fields[4];
    size_t rows = 0;
    for (size_t offset = header.rowsAt; offset < text.size();) {
        offset = SplitLine(text, offset, fields);
        if (offset == std::string_view::npos)
            return false;
        const double value = ParseValue(fields[1], path, ++rows);
        onRow(MmtRow{fields[0], value, fields[2], fields[3]});
    }
    return true;
}

bool ParseMmt(MmtData& data, std::string_view text, std::string_view path) {
    ClearRows(data);
    const std::optional<MmtHeader> header = ReadMmtHeader(text);
    if (!header)
        return false;
    data.name = header->name;
    data.headerField2 = header->field2;
    // Each row is stored whole once its value has been read: a bad value leaves the four row
    // lists of equal length.
    return ReadMmtRows(text, *header, path, [&data](const MmtRow& row) {
        data.rowNames.emplace_back(row.name);
        data.rowValues.push_back(row.value);
        data.rowTexts.emplace_back(row.text);
        data.rowPictures.emplace_back(row.picture);
    });
}

bool IsTablePath(std::string_view path) {
    return LowerCase(ExtensionOf(path)) == ".mmt";
}

bool LoadMmt(MmtData& data, const std::string& path) {
    return ParseMmt(data, ReadTextFile(path), path);
}

}  // namespace kb
