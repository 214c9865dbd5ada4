#pragma once
// SHA-256 digests as 64 lower-case hexadecimal digits: OpenSSL on POSIX systems, the system's
// CNG provider on Windows.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace kb {

// A digest fed in pieces. Raises FileError when the library refuses.
class Sha256Digest {
  public:
    Sha256Digest();
    ~Sha256Digest();
    Sha256Digest(const Sha256Digest&) = delete;
    Sha256Digest& operator=(const Sha256Digest&) = delete;

    void Add(std::string_view bytes);
    // The digest of everything added; the object takes nothing more afterwards.
    std::string Hex();

    struct State;

  private:
    std::unique_ptr<State> state_;
};

std::string Sha256Hex(std::string_view bytes);

struct FileDigest {
    std::string sha256;
    std::uint64_t size = 0;
};

// Reads the file in pieces. Raises FileError naming the file when it cannot be read.
FileDigest Sha256OfFile(std::string_view path);

std::string HexBytes(const unsigned char* bytes, std::size_t size);

}  // namespace kb
