#pragma once
// SHA-256 digests (OpenSSL) as 64 lower-case hexadecimal digits.
#include <cstdint>
#include <string>
#include <string_view>

namespace compiler {

std::string Sha256Hex(std::string_view bytes);

struct FileDigest {
    std::string sha256;
    std::uint64_t size = 0;
};

// Reads the file in pieces. Throws CompileError naming the file when it cannot be read.
FileDigest Sha256OfFile(const std::string& path);

std::string HexBytes(const unsigned char* bytes, size_t size);

}  // namespace compiler
