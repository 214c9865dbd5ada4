#include <windows.h>
// After windows.h.
#include <bcrypt.h>
#include <wincrypt.h>

#include <stdexcept>

#include "tests/upload/scram_crypto.h"

namespace kb::test {
namespace {

const wchar_t* Algorithm(HashKind kind) {
    switch (kind) {
        case HashKind::Md5:
            return BCRYPT_MD5_ALGORITHM;
        case HashKind::Sha1:
            return BCRYPT_SHA1_ALGORITHM;
        default:
            return BCRYPT_SHA256_ALGORITHM;
    }
}

void Check(NTSTATUS status, const char* what) {
    if (!BCRYPT_SUCCESS(status))
        throw std::runtime_error(std::string(what) + " failed");
}

// An algorithm provider, plain or for HMAC.
class Provider {
  public:
    Provider(HashKind kind, bool hmac) {
        Check(BCryptOpenAlgorithmProvider(&handle_, Algorithm(kind), nullptr,
                                          hmac ? BCRYPT_ALG_HANDLE_HMAC_FLAG : 0),
              "opening a hash");
    }
    ~Provider() { BCryptCloseAlgorithmProvider(handle_, 0); }
    Provider(const Provider&) = delete;
    Provider& operator=(const Provider&) = delete;
    BCRYPT_ALG_HANDLE Get() const { return handle_; }

  private:
    BCRYPT_ALG_HANDLE handle_ = nullptr;
};

PUCHAR Bytes(const std::string& text) {
    return reinterpret_cast<PUCHAR>(const_cast<char*>(text.data()));
}

ULONG Size(const std::string& text) {
    return static_cast<ULONG>(text.size());
}

std::string Digest(HashKind kind, const std::string* key, const std::string& data) {
    const Provider provider(kind, key != nullptr);
    std::string out(DigestSize(kind), '\0');
    Check(
        BCryptHash(provider.Get(), key != nullptr ? Bytes(*key) : nullptr,
                   key != nullptr ? Size(*key) : 0, Bytes(data), Size(data), Bytes(out), Size(out)),
        "hashing");
    return out;
}

}  // namespace

std::size_t DigestSize(HashKind kind) {
    switch (kind) {
        case HashKind::Md5:
            return 16;
        case HashKind::Sha1:
            return 20;
        default:
            return 32;
    }
}

std::string Hash(HashKind kind, const std::string& data) {
    return Digest(kind, nullptr, data);
}

std::string Hmac(HashKind kind, const std::string& key, const std::string& data) {
    return Digest(kind, &key, data);
}

std::string Pbkdf2(HashKind kind, const std::string& password, const std::string& salt,
                   unsigned iterations) {
    const Provider provider(kind, true);
    std::string key(DigestSize(kind), '\0');
    Check(BCryptDeriveKeyPBKDF2(provider.Get(), Bytes(password), Size(password), Bytes(salt),
                                Size(salt), iterations, Bytes(key), Size(key), 0),
          "PBKDF2");
    return key;
}

std::string RandomBytes(std::size_t count) {
    std::string bytes(count, '\0');
    Check(BCryptGenRandom(nullptr, Bytes(bytes), Size(bytes), BCRYPT_USE_SYSTEM_PREFERRED_RNG),
          "random bytes");
    return bytes;
}

std::string Base64Encode(const std::string& bytes) {
    constexpr DWORD kFlags = CRYPT_STRING_BASE64 | CRYPT_STRING_NOCRLF;
    if (bytes.empty())
        return {};
    DWORD size = 0;
    if (!CryptBinaryToStringA(Bytes(bytes), Size(bytes), kFlags, nullptr, &size))
        throw std::runtime_error("Base64 failed");
    std::string text(size, '\0');
    if (!CryptBinaryToStringA(Bytes(bytes), Size(bytes), kFlags, text.data(), &size))
        throw std::runtime_error("Base64 failed");
    text.resize(size);
    return text;
}

std::optional<std::string> Base64Decode(const std::string& text) {
    if (text.size() % 4 != 0)
        return std::nullopt;
    if (text.empty())
        return std::string();
    DWORD size = 0;
    if (!CryptStringToBinaryA(text.data(), Size(text), CRYPT_STRING_BASE64, nullptr, &size, nullptr,
                              nullptr))
        return std::nullopt;
    std::string bytes(size, '\0');
    if (!CryptStringToBinaryA(text.data(), Size(text), CRYPT_STRING_BASE64, Bytes(bytes), &size,
                              nullptr, nullptr))
        return std::nullopt;
    bytes.resize(size);
    return bytes;
}

}  // namespace kb::test
