#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>

#include <stdexcept>
#include <vector>

#include "tests/upload/scram_crypto.h"

namespace kb::test {
namespace {

const EVP_MD* Digest(HashKind kind) {
    switch (kind) {
        case HashKind::Md5:
            return EVP_md5();
        case HashKind::Sha1:
            return EVP_sha1();
        default:
            return EVP_sha256();
    }
}

}  // namespace

std::size_t DigestSize(HashKind kind) {
    return static_cast<std::size_t>(EVP_MD_get_size(Digest(kind)));
}

std::string Hash(HashKind kind, const std::string& data) {
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (EVP_Digest(data.data(), data.size(), out, &size, Digest(kind), nullptr) != 1)
        throw std::runtime_error("digest failed");
    return std::string(reinterpret_cast<char*>(out), size);
}

std::string Hmac(HashKind kind, const std::string& key, const std::string& data) {
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (HMAC(Digest(kind), key.data(), static_cast<int>(key.size()),
             reinterpret_cast<const unsigned char*>(data.data()), data.size(), out,
             &size) == nullptr)
        throw std::runtime_error("HMAC failed");
    return std::string(reinterpret_cast<char*>(out), size);
}

std::string Pbkdf2(HashKind kind, const std::string& password, const std::string& salt,
                   unsigned iterations) {
    std::string key(DigestSize(kind), '\0');
    if (PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()),
                          reinterpret_cast<const unsigned char*>(salt.data()),
                          static_cast<int>(salt.size()), static_cast<int>(iterations), Digest(kind),
                          static_cast<int>(key.size()),
                          reinterpret_cast<unsigned char*>(key.data())) != 1)
        throw std::runtime_error("PBKDF2 failed");
    return key;
}

std::string RandomBytes(std::size_t count) {
    std::string bytes(count, '\0');
    if (RAND_bytes(reinterpret_cast<unsigned char*>(bytes.data()), static_cast<int>(count)) != 1)
        throw std::runtime_error("no random bytes");
    return bytes;
}

std::string Base64Encode(const std::string& bytes) {
    std::vector<unsigned char> out(4 * ((bytes.size() + 2) / 3) + 1);
    const int n = EVP_EncodeBlock(out.data(), reinterpret_cast<const unsigned char*>(bytes.data()),
                                  static_cast<int>(bytes.size()));
    return std::string(reinterpret_cast<char*>(out.data()), n);
}

std::optional<std::string> Base64Decode(const std::string& text) {
    if (text.size() % 4 != 0)
        return std::nullopt;
    std::vector<unsigned char> out(text.size() / 4 * 3 + 1);
    const int n = EVP_DecodeBlock(out.data(), reinterpret_cast<const unsigned char*>(text.data()),
                                  static_cast<int>(text.size()));
    if (n < 0)
        return std::nullopt;
    size_t padding = 0;
    while (padding < 2 && padding < text.size() && text[text.size() - 1 - padding] == '=')
        ++padding;
    return std::string(reinterpret_cast<char*>(out.data()), n - padding);
}

}  // namespace kb::test
