#pragma once
// The three kinds of macro line the scan recognises, read without backtracking. Each function
// answers the capture that its pattern (plain mode, group 1) gives on the line, or nothing when
// the pattern does not match:
//   add_picture_input  ".*add_picture_input.*,.*,.*[\"](.*)[\"].*"
//   add_pict_item      ".*add_pict_item.*,.*[\"](.*)[\"].*"
//   measure_table      ".*measure_table[(][\"](.*)[\"].*"
// A backtracking engine takes time cubic in the line on some lines (quotes before commas); these
// take linear time and give the same captures.
#include <optional>
#include <string_view>

namespace kb {

std::optional<std::string_view> PictureInputName(std::string_view line);
std::optional<std::string_view> PictItemName(std::string_view line);
std::optional<std::string_view> MeasureTableName(std::string_view line);

}  // namespace kb
