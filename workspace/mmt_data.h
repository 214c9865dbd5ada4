#pragma once
// Measurement table files (".mmt"): a header line "name\tfield2\tfield3\n", then rows
// "name\tvalue\ttext\tpicture\n". Read only.
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kb {

struct MmtData {
    std::string name;
    std::string headerField2;
    std::vector<std::string> rowNames;     // column 1
    std::vector<std::string> rowTexts;     // column 3
    std::vector<double> rowValues;         // column 2, read with "." as decimal separator
    std::vector<std::string> rowPictures;  // column 4: measuring picture name, no extension
};

// A row value that is not a number; the message names the file and the value.
class MmtValueError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Whether path names a measurement table: its extension is ".mmt" in any case. A table's
// support files share its kind in a scan's list but are no tables.
bool IsTablePath(std::string_view path);

// Reads the file at path (a missing file reads as empty text) and parses it into data. True when
// the whole text fits the format; on false the header and the rows before the bad part stay.
// Raises MmtValueError for a value that is not a number; the rows before it stay, the four row
// lists always of equal length. Takes time linear in the text. Thread-safe.
bool LoadMmt(MmtData& data, const std::string& path);

// Parses text as LoadMmt does; path only names the file in error messages.
bool ParseMmt(MmtData& data, std::string_view text, std::string_view path);

// The header line of a table text, as views into the text.
struct MmtHeader {
    std::string_view name;
    std::string_view field2;
    size_t rowsAt = 0;  // where the first row starts
};

// One row of a table text; the texts are views into it.
struct MmtRow {
    std::string_view name;
    double value = 0;
    std::string_view text;
    std::string_view picture;
};

// The header of text; nothing when the text holds no header line (then it is no table).
std::optional<MmtHeader> ReadMmtHeader(std::string_view text);
namespace mmt_detail {
// One line from offset split at TABs into fields, the last ending at LF; the offset after the
// LF, or npos when the text holds too few TABs or no LF after them.
size_t SplitLine(std::string_view text, size_t offset, std::span<std::string_view> fields);
// A row value; raises MmtValueError naming path and row when it is no number.
double ParseValue(std::string_view field, std::string_view path, size_t row);
}  // namespace mmt_detail

// Reads the rows of text from header.rowsAt on, handing each to onRow; true when the rest of
// the text fits the format. Raises MmtValueError (naming path) for a value that is no number.
template <typename OnRow>
bool ReadMmtRows(std::string_view text, const MmtHeader& header, std::string_view path,
                 OnRow&& onRow) {
    std::string_view fields[4];
    size_t rows = 0;
    for (size_t offset = header.rowsAt; offset < text.size();) {
        offset = mmt_detail::SplitLine(text, offset, fields);
        if (offset == std::string_view::npos)
            return false;
        const double value = mmt_detail::ParseValue(fields[1], path, ++rows);
        onRow(MmtRow{fields[0], value, fields[2], fields[3]});
    }
    return true;
}

}  // namespace kb
