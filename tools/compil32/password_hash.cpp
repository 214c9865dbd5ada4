#include "tools/compil32/password_hash.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <array>
#include <stdexcept>

#include "tools/compil32/script_text.h"

namespace kb {
namespace {

std::string Hex(const unsigned char* bytes, size_t size) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (size_t i = 0; i < size; ++i) {
        hex += kDigits[bytes[i] >> 4];
        hex += kDigits[bytes[i] & 0xF];
    }
    return hex;
}

}  // namespace

std::string RandomSalt() {
    std::array<unsigned char, 16> bytes{};
    if (RAND_bytes(bytes.data(), static_cast<int>(bytes.size())) != 1)
        throw std::runtime_error("No random bytes for the password salt");
    return Hex(bytes.data(), bytes.size());
}

PasswordHash HashPassword(std::string_view password, std::string salt, int iterations) {
    const std::string secret = Utf16LeBytes(password);
    const std::string saltBytes = Utf16LeBytes(salt);
    std::array<unsigned char, 32> digest{};
    if (PKCS5_PBKDF2_HMAC(secret.data(), static_cast<int>(secret.size()),
                          reinterpret_cast<const unsigned char*>(saltBytes.data()),
                          static_cast<int>(saltBytes.size()), iterations, EVP_sha256(),
                          static_cast<int>(digest.size()), digest.data()) != 1)
        throw std::runtime_error("PBKDF2 of the setup password failed");
    return PasswordHash{std::move(salt), Hex(digest.data(), digest.size()), iterations};
}

}  // namespace kb
