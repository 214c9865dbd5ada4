#pragma once
// The setup keeps only a salted PBKDF2-HMAC-SHA256 digest of its password. The salt is a text
// of hexadecimal digits; the digest is taken over the UTF-16LE bytes of the password and of the
// salt text, which is what the setup can hand to Windows' BCryptDeriveKeyPBKDF2 directly.
#include <string>
#include <string_view>
#include <vector>

namespace compiler {

struct PasswordHash {
    std::string salt;    // 32 hexadecimal digits
    std::string digest;  // 64 lower-case hexadecimal digits
    int iterations = 0;
};

inline constexpr int kPasswordIterations = 100000;

// A salt derived from the collection: the application's identity and the digests of the files
// the setup installs. The same sources give the same salt (and so the same setup); another
// collection, or changed files, another one.
std::string CollectionSalt(std::string_view appId, const std::vector<std::string>& fileDigests);

PasswordHash HashPassword(std::string_view password, std::string salt,
                          int iterations = kPasswordIterations);

}  // namespace compiler
