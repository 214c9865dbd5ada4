#pragma once
// Where each line of a generated installer script came from, so that a compiler message about
// "Coats.iss:37" can name the garment, support file, table or setting behind that line.
#include <string>
#include <string_view>
#include <vector>

#include "setup/build_checks.h"

namespace kb {

// For every line of script (index 0 is line 1), the item it came from: "garment Coat1, file
// /…/Coat1.jpg", "setting installation password", "table Women", "the fixed script text", ...
std::vector<std::string> ScriptLineOrigins(std::string_view script, const SetupScan& scan);

// The compiler's output with every message about a line of the script named scriptFileName
// ("…Coats.iss:37: what") followed by " [line 37 comes from <origin>]". Other lines are kept.
std::string ExplainCompilerOutput(std::string_view output, std::string_view scriptFileName,
                                  const std::vector<std::string>& origins);

}  // namespace kb
