#pragma once
// The hashing, key derivation, randomness and Base64 that the SCRAM test server needs, from the
// system's library: OpenSSL on POSIX, CNG and CryptoAPI on Windows. Failures throw.
#include <cstddef>
#include <optional>
#include <string>

namespace kb::test {

enum class HashKind { Md5, Sha1, Sha256 };

// The digest's length in bytes.
std::size_t DigestSize(HashKind kind);
std::string Hash(HashKind kind, const std::string& data);
std::string Hmac(HashKind kind, const std::string& key, const std::string& data);
// PBKDF2 with HMAC of kind, giving DigestSize(kind) bytes.
std::string Pbkdf2(HashKind kind, const std::string& password, const std::string& salt,
                   unsigned iterations);
std::string RandomBytes(std::size_t count);

std::string Base64Encode(const std::string& bytes);
std::optional<std::string> Base64Decode(const std::string& text);

}  // namespace kb::test
