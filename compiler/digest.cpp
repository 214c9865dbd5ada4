#include "compiler/digest.h"

#include <openssl/evp.h>

#include <fstream>
#include <memory>

#include "compiler/diagnostics.h"

namespace compiler {
namespace {

using DigestContext = std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)>;

DigestContext NewSha256() {
    DigestContext context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1)
        throw CompileError("Cannot start a SHA-256 digest");
    return context;
}

std::string Finish(EVP_MD_CTX* context) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (EVP_DigestFinal_ex(context, digest, &size) != 1)
        throw CompileError("Cannot finish a SHA-256 digest");
    return HexBytes(digest, size);
}

}  // namespace

std::string HexBytes(const unsigned char* bytes, size_t size) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (size_t i = 0; i < size; ++i) {
        hex += kDigits[bytes[i] >> 4];
        hex += kDigits[bytes[i] & 0xF];
    }
    return hex;
}

std::string Sha256Hex(std::string_view bytes) {
    DigestContext context = NewSha256();
    if (EVP_DigestUpdate(context.get(), bytes.data(), bytes.size()) != 1)
        throw CompileError("Cannot compute a SHA-256 digest");
    return Finish(context.get());
}

FileDigest Sha256OfFile(const std::string& path) {
    std::ifstream stream(path, std::ios::binary);
    if (!stream)
        throw CompileError(path + ": cannot read the file to hash it");
    DigestContext context = NewSha256();
    FileDigest digest;
    char buffer[65536];
    while (stream) {
        stream.read(buffer, sizeof buffer);
        const std::streamsize got = stream.gcount();
        if (got > 0 && EVP_DigestUpdate(context.get(), buffer, static_cast<size_t>(got)) != 1)
            throw CompileError(path + ": cannot hash the file");
        digest.size += static_cast<std::uint64_t>(got);
    }
    if (stream.bad())
        throw CompileError(path + ": cannot read the file to hash it");
    digest.sha256 = Finish(context.get());
    return digest;
}

}  // namespace compiler
