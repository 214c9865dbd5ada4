#pragma once
// The setup's wizard pictures as makensis takes them.
#include <string>

namespace compiler {

// Writes the picture at from to to as a plain Windows 3.x BMP (24 bits, no colour masks), the
// one BMP makensis accepts for every page; from stays untouched, whatever BMP variant (or other
// format the image library reads) it is. Throws CompileError naming from when it cannot be read.
void StagePicture(const std::string& from, const std::string& to);

}  // namespace compiler
