#include "compiler/password_hash.h"

#include <openssl/evp.h>

#include <array>
#include <stdexcept>

#include "compiler/digest.h"
#include "compiler/script_encoding.h"

namespace compiler {
std::string CollectionSalt(std::string_view appId, const std::vector<std::string>& fileDigests) {
    std::string text = "Kit Binder setup password salt\n";
    text.append(appId).append("\n");
    for (const std::string& digest : fileDigests)
        text.append(digest).append("\n");
    return Sha256Hex(text).substr(0, 32);
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
    return PasswordHash{std::move(salt), HexBytes(digest.data(), digest.size()), iterations};
}

}  // namespace compiler
