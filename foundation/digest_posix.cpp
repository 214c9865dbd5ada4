#include <openssl/evp.h>

#include "foundation/digest.h"
#include "foundation/errors.h"

namespace kb {

struct Sha256Digest::State {
    EVP_MD_CTX* context = nullptr;
    ~State() { EVP_MD_CTX_free(context); }
};

Sha256Digest::Sha256Digest() : state_(std::make_unique<State>()) {
    state_->context = EVP_MD_CTX_new();
    if (state_->context == nullptr ||
        EVP_DigestInit_ex(state_->context, EVP_sha256(), nullptr) != 1) {
        throw FileError("Cannot start a SHA-256 digest");
    }
}

Sha256Digest::~Sha256Digest() = default;

void Sha256Digest::Add(std::string_view bytes) {
    if (EVP_DigestUpdate(state_->context, bytes.data(), bytes.size()) != 1) {
        throw FileError("Cannot compute a SHA-256 digest");
    }
}

std::string Sha256Digest::Hex() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (EVP_DigestFinal_ex(state_->context, digest, &size) != 1) {
        throw FileError("Cannot finish a SHA-256 digest");
    }
    return HexBytes(digest, size);
}

}  // namespace kb
