#pragma once
// SHA-256 digests for the compiler: the foundation's, with file errors as compile errors.
#include <string>

#include "foundation/digest.h"

namespace compiler {

using kb::FileDigest;
using kb::HexBytes;
using kb::Sha256Hex;

// Reads the file in pieces. Throws CompileError naming the file when it cannot be read.
FileDigest Sha256OfFile(const std::string& path);

}  // namespace compiler
