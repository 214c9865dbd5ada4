#include "tools/compil32/diagnostics.h"

namespace kb {

std::string Diagnostics::Where(int line) const {
    return line > 0 ? fileName_ + ":" + std::to_string(line) + ": " : fileName_ + ": ";
}

void Diagnostics::Fail(int line, std::string_view what) const {
    throw CompileError(Where(line) + std::string(what));
}

void Diagnostics::Warn(int line, std::string_view what) {
    warnings_.push_back(Where(line) + "warning: " + std::string(what));
}

}  // namespace kb
