// SHA-256 through the system's CNG provider (bcrypt), which needs <windows.h> first.
#include <windows.h>

#include <bcrypt.h>

#include "foundation/digest.h"
#include "foundation/errors.h"

namespace kb {

namespace {

constexpr ULONG kSha256Size = 32;

bool Succeeded(NTSTATUS status) {
    return status >= 0;
}

}  // namespace

struct Sha256Digest::State {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    ~State() {
        if (hash != nullptr) {
            BCryptDestroyHash(hash);
        }
        if (algorithm != nullptr) {
            BCryptCloseAlgorithmProvider(algorithm, 0);
        }
    }
};

Sha256Digest::Sha256Digest() : state_(std::make_unique<State>()) {
    if (!Succeeded(
            BCryptOpenAlgorithmProvider(&state_->algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0)) ||
        !Succeeded(BCryptCreateHash(state_->algorithm, &state_->hash, nullptr, 0, nullptr, 0, 0))) {
        throw FileError("Cannot start a SHA-256 digest");
    }
}

Sha256Digest::~Sha256Digest() = default;

void Sha256Digest::Add(std::string_view bytes) {
    // BCryptHashData takes at most a ULONG at a time.
    constexpr std::size_t kPiece = 1u << 30;
    for (std::size_t at = 0; at < bytes.size(); at += kPiece) {
        const std::string_view piece = bytes.substr(at, kPiece);
        auto* data = reinterpret_cast<PUCHAR>(const_cast<char*>(piece.data()));
        if (!Succeeded(BCryptHashData(state_->hash, data, static_cast<ULONG>(piece.size()), 0))) {
            throw FileError("Cannot compute a SHA-256 digest");
        }
    }
}

std::string Sha256Digest::Hex() {
    unsigned char digest[kSha256Size];
    if (!Succeeded(BCryptFinishHash(state_->hash, digest, kSha256Size, 0))) {
        throw FileError("Cannot finish a SHA-256 digest");
    }
    return HexBytes(digest, kSha256Size);
}

}  // namespace kb
