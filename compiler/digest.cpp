#include "compiler/digest.h"

#include "compiler/diagnostics.h"
#include "foundation/errors.h"

namespace compiler {

FileDigest Sha256OfFile(const std::string& path) {
    try {
        return kb::Sha256OfFile(path);
    } catch (const kb::FileError& error) {
        throw CompileError(error.what());
    }
}

}  // namespace compiler
