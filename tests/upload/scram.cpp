#include "tests/upload/scram.h"

#include "tests/upload/scram_crypto.h"

namespace kb::test {
namespace {

constexpr unsigned kIterations = 4096;

HashKind Digest(const std::string& mechanism) {
    return mechanism == "SCRAM-SHA-1" ? HashKind::Sha1 : HashKind::Sha256;
}

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (unsigned char c : bytes) {
        text += digits[c >> 4];
        text += digits[c & 15];
    }
    return text;
}

// The value of attribute key ("n", "r", ...) in a comma-separated SCRAM message.
std::optional<std::string> Attribute(const std::string& message, char key) {
    size_t start = 0;
    while (start <= message.size()) {
        size_t end = message.find(',', start);
        if (end == std::string::npos)
            end = message.size();
        if (end - start >= 2 && message[start] == key && message[start + 1] == '=')
            return message.substr(start + 2, end - start - 2);
        start = end + 1;
    }
    return std::nullopt;
}

std::string DecodeUserName(std::string name) {
    for (auto [from, to] : {std::pair{"=2C", ","}, std::pair{"=3D", "="}}) {
        for (size_t at = name.find(from); at != std::string::npos; at = name.find(from, at + 1))
            name.replace(at, 3, to);
    }
    return name;
}

}  // namespace

ScramServer::ScramServer(std::string mechanism, const std::map<std::string, std::string>& users)
    : mechanism_(std::move(mechanism)), users_(users) {}

std::optional<std::string> ScramServer::Start(const std::string& clientFirst) {
    if (clientFirst.rfind("n,,", 0) != 0)
        return std::nullopt;
    clientFirstBare_ = clientFirst.substr(3);
    const auto name = Attribute(clientFirstBare_, 'n');
    const auto clientNonce = Attribute(clientFirstBare_, 'r');
    if (!name || !clientNonce)
        return std::nullopt;
    user_ = DecodeUserName(*name);
    const auto known = users_.find(user_);
    if (known == users_.end())
        return std::nullopt;
    const HashKind md = Digest(mechanism_);
    // SCRAM-SHA-1 hashes the digest of "user:mongo:password" instead of the password itself.
    const std::string secret = mechanism_ == "SCRAM-SHA-1"
                                   ? Hex(Hash(HashKind::Md5, user_ + ":mongo:" + known->second))
                                   : known->second;
    const std::string salt = RandomBytes(DigestSize(md) - 4);
    saltedPassword_ = Pbkdf2(md, secret, salt, kIterations);
    nonce_ = *clientNonce + Base64Encode(RandomBytes(18));
    serverFirst_ = "r=" + nonce_ + ",s=" + Base64Encode(salt) + ",i=" + std::to_string(kIterations);
    return serverFirst_;
}

std::optional<std::string> ScramServer::Finish(const std::string& clientFinal) {
    const size_t proofAt = clientFinal.rfind(",p=");
    if (serverFirst_.empty() || proofAt == std::string::npos)
        return std::nullopt;
    const std::string withoutProof = clientFinal.substr(0, proofAt);
    const auto proof = Base64Decode(clientFinal.substr(proofAt + 3));
    if (Attribute(withoutProof, 'r') != nonce_ || !proof)
        return std::nullopt;
    const HashKind md = Digest(mechanism_);
    const std::string authMessage = clientFirstBare_ + "," + serverFirst_ + "," + withoutProof;
    const std::string clientKey = Hmac(md, saltedPassword_, "Client Key");
    const std::string signature = Hmac(md, Hash(md, clientKey), authMessage);
    if (proof->size() != clientKey.size())
        return std::nullopt;
    for (size_t i = 0; i < clientKey.size(); ++i) {
        if (static_cast<char>(clientKey[i] ^ signature[i]) != (*proof)[i])
            return std::nullopt;
    }
    const std::string serverKey = Hmac(md, saltedPassword_, "Server Key");
    return "v=" + Base64Encode(Hmac(md, serverKey, authMessage));
}

}  // namespace kb::test
