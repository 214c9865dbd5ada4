#pragma once
// The setup keeps only a salted PBKDF2-HMAC-SHA256 digest of its password. The salt is a text
// of hexadecimal digits; the digest is taken over the UTF-16LE bytes of the password and of the
// salt text, which is what the setup can hand to Windows' BCryptDeriveKeyPBKDF2 directly.
#include <string>
#include <string_view>

namespace kb {

struct PasswordHash {
    std::string salt;    // 32 hexadecimal digits
    std::string digest;  // 64 lower-case hexadecimal digits
    int iterations = 0;
};

inline constexpr int kPasswordIterations = 100000;

// A fresh salt from the system's random source.
std::string RandomSalt();

PasswordHash HashPassword(std::string_view password, std::string salt,
                          int iterations = kPasswordIterations);

}  // namespace kb
