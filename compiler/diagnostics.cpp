#include "compiler/diagnostics.h"

#include <algorithm>

namespace compiler {

std::string Diagnostics::Where(int line) const {
    return line > 0 ? fileName_ + ":" + std::to_string(line) + ": " : fileName_ + ": ";
}

void Diagnostics::Fail(int line, std::string_view what) const {
    throw CompileError(Where(line) + std::string(what));
}

void Diagnostics::Warn(int line, std::string_view what) {
    // Warnings come from several passes over the script; each goes after those of its line.
    const auto at = std::upper_bound(warningLines_.begin(), warningLines_.end(), line);
    warnings_.insert(warnings_.begin() + (at - warningLines_.begin()),
                     Where(line) + "warning: " + std::string(what));
    warningLines_.insert(at, line);
}

}  // namespace compiler
