#include "workspace/mmt_data.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <span>

#include "foundation/files.h"
#include "foundation/paths.h"
#include "foundation/text.h"

namespace kb {
namespace {

// The value of a field of plain digits with at most one inner ".", such as "92.5", when the
// digits fit a double exactly (then one correctly rounded division gives what from_chars
// gives); nothing for any other field.
std::optional<double> PlainDecimal(std::string_view field) {
    constexpr double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                  1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    if (field.empty() || field.size() > 16)
        return std::nullopt;
    std::uint64_t digits = 0;
    size_t point = std::string_view::npos;
    for (size_t i = 0; i < field.size(); ++i) {
        const char c = field[i];
        if (c >= '0' && c <= '9') {
            digits = digits * 10 + static_cast<std::uint64_t>(c - '0');
        } else if (c == '.' && point == std::string_view::npos && i > 0 && i + 1 < field.size()) {
            point = i;
        } else {
            return std::nullopt;
        }
    }
    const size_t decimals = point == std::string_view::npos ? 0 : field.size() - point - 1;
    if (digits >= (std::uint64_t{1} << 53))
        return std::nullopt;
    return static_cast<double>(digits) / kPowers[decimals];
}

}  // namespace

namespace mmt_detail {

// One line of the format from offset: fields.size() fields, each but the last ending at the next
// TAB, the last at the first LF after them (so a field may hold an LF, and extra TABs go into the
// last field). This is what the format's lazy patterns "(.*?)\t...(.*?)\n" give in single-line
// mode, found without backtracking. Answers the offset after the LF, or npos when the text
// holds too few TABs or no LF after them.
size_t SplitLine(std::string_view text, size_t offset, std::span<std::string_view> fields) {
    const size_t last = fields.size() - 1;
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    const char* at = begin + offset;
    for (size_t i = 0; i <= last; ++i) {
        const char* field = at;
        at = static_cast<const char*>(
            std::memchr(at, i < last ? '\t' : '\n', static_cast<size_t>(end - at)));
        if (at == nullptr)
            return std::string_view::npos;
        fields[i] = std::string_view(field, static_cast<size_t>(at - field));
        ++at;
    }
    return static_cast<size_t>(at - begin);
}

// A row value, "." as decimal separator whatever the locale; spaces around it are allowed.
double ParseValue(std::string_view field, std::string_view path, size_t row) {
    if (const std::optional<double> plain = PlainDecimal(field))
        return *plain;
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

}  // namespace mmt_detail

namespace {

void ClearRows(MmtData& data) {
    data.rowNames.clear();
    data.rowTexts.clear();
    data.rowValues.clear();
    data.rowPictures.clear();
}

}  // namespace

std::optional<MmtHeader> ReadMmtHeader(std::string_view text) {
    std::string_view fields[3];
    const size_t rowsAt = mmt_detail::SplitLine(text, 0, fields);
    if (rowsAt == std::string_view::npos)
        return std::nullopt;
    return MmtHeader{fields[0], fields[1], rowsAt};
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
