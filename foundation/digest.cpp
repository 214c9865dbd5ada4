#include "foundation/digest.h"

#include <fstream>

#include "foundation/errors.h"
#include "foundation/files.h"

namespace kb {

std::string HexBytes(const unsigned char* bytes, std::size_t size) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(size * 2);
    for (std::size_t i = 0; i < size; ++i) {
        hex += kDigits[bytes[i] >> 4];
        hex += kDigits[bytes[i] & 0xF];
    }
    return hex;
}

std::string Sha256Hex(std::string_view bytes) {
    Sha256Digest digest;
    digest.Add(bytes);
    return digest.Hex();
}

FileDigest Sha256OfFile(std::string_view path) {
    std::ifstream stream(FsPath(path), std::ios::binary);
    if (!stream) {
        throw FileError(std::string(path) + ": cannot read the file to hash it");
    }
    Sha256Digest digest;
    FileDigest result;
    char buffer[65536];
    while (stream) {
        stream.read(buffer, sizeof buffer);
        const std::streamsize got = stream.gcount();
        if (got > 0) {
            digest.Add(std::string_view(buffer, static_cast<std::size_t>(got)));
        }
        result.size += static_cast<std::uint64_t>(got);
    }
    if (stream.bad()) {
        throw FileError(std::string(path) + ": cannot read the file to hash it");
    }
    result.sha256 = digest.Hex();
    return result;
}

}  // namespace kb
