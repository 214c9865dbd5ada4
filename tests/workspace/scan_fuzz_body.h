#pragma once
// One fuzzing round of the scan's parsers on arbitrary bytes: the table reader keeps its four
// row lists of equal length and raises nothing but MmtValueError; each macro line reader gives
// the capture of its literal pattern (on texts short enough for the backtracking engine).
#include <stdexcept>
#include <string>
#include <string_view>

#include "foundation/regular_exp.h"
#include "workspace/macro_lines.h"
#include "workspace/mmt_data.h"

namespace kb::test {

inline void Check(bool condition, const char* what) {
    if (!condition)
        throw std::logic_error(what);
}

inline void FuzzTableOnce(std::string_view text) {
    MmtData data;
    try {
        ParseMmt(data, text, "fuzz.mmt");
    } catch (const MmtValueError&) {
    }
    const size_t rows = data.rowNames.size();
    Check(data.rowValues.size() == rows && data.rowTexts.size() == rows &&
              data.rowPictures.size() == rows,
          "row lists of different lengths");
}

inline void FuzzMacroLineOnce(std::string_view line) {
    using Reader = std::optional<std::string_view> (*)(std::string_view);
    const std::pair<const char*, Reader> kinds[] = {
        {".*add_picture_input.*,.*,.*[\"](.*)[\"].*", PictureInputName},
        {".*add_pict_item.*,.*[\"](.*)[\"].*", PictItemName},
        {".*measure_table[(][\"](.*)[\"].*", MeasureTableName},
    };
    for (const auto& [pattern, reader] : kinds) {
        const std::optional<std::string_view> capture = reader(line);
        if (line.size() > 256)
            continue;
        RegularExp literal(pattern, line);
        Check(literal.matched == capture.has_value(), "match differs from the literal pattern");
        Check(!capture || literal.Group(1) == *capture, "capture differs from the literal pattern");
    }
}

inline void FuzzScanOnce(std::string_view bytes) {
    FuzzTableOnce(bytes);
    FuzzMacroLineOnce(bytes);
}

}  // namespace kb::test
