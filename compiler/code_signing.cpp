#include "compiler/code_signing.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/pkcs12.h>
#include <openssl/rand.h>
#include <openssl/x509.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "compiler/child_process.h"
#include "compiler/diagnostics.h"
#include "compiler/digest.h"
#include "compiler/secret_files.h"
#include "compiler/temporary_folder.h"
#include "foundation/settings_store.h"

namespace compiler {
namespace {

namespace fs = std::filesystem;

constexpr size_t kKeySize = 32;
constexpr size_t kIvSize = 12;
constexpr size_t kTagSize = 16;
constexpr std::string_view kSealVersion = "sealed1:";
constexpr std::string_view kSealContext = "Kit Binder signing password";
constexpr const char* kSystemAuthorities = "/etc/ssl/certs/ca-certificates.crt";

std::string KeyFile() {
    return (fs::path(kb::SettingsFile(kb::SettingsRoot::CurrentUser)).parent_path() / "KB10.key")
        .string();
}

// What mends a key file that is refused: a new key, made when the password is stored again.
constexpr std::string_view kNewKey =
    "configure the certificate again with Compil32.exe /signing=<certificate.p12>";

std::string ReadKey(const std::string& keyFile) {
    std::string key = ReadPrivateFile(keyFile, kKeySize + 1, kNewKey);
    if (key.size() != kKeySize)
        throw CompileError(keyFile + ": not a key of " + std::to_string(kKeySize) + " bytes");
    return key;
}

// The user's key; made on first use, readable by the user alone.
std::string UserKey(const std::string& keyFile, bool create) {
    if (create && !fs::exists(keyFile)) {
        fs::create_directories(fs::path(keyFile).parent_path());
        std::array<unsigned char, kKeySize> key{};
        if (RAND_bytes(key.data(), static_cast<int>(key.size())) != 1)
            throw CompileError("No random bytes for the key in " + keyFile);
        CreatePrivateFile(keyFile,
                          std::string_view(reinterpret_cast<const char*>(key.data()), key.size()));
    }
    return ReadKey(keyFile);
}

std::string FromHex(std::string_view hex) {
    std::string bytes;
    const auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        return -1;
    };
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        const int high = digit(hex[i]);
        const int low = digit(hex[i + 1]);
        if (high < 0 || low < 0)
            return "";
        bytes += static_cast<char>(high * 16 + low);
    }
    return hex.size() % 2 == 0 ? bytes : "";
}

using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)>;

const unsigned char* Bytes(std::string_view text) {
    return reinterpret_cast<const unsigned char*>(text.data());
}

// AES-256-GCM over the text with the context as associated data; the tag is appended when
// sealing and checked when opening. Answers false when the tag does not match.
bool Crypt(bool seal, const std::string& key, const std::string& iv, std::string_view in,
           std::string& out, std::string& tag) {
    CipherContext context(EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free);
    int length = 0;
    out.assign(in.size(), '\0');
    auto* outBytes = reinterpret_cast<unsigned char*>(out.data());
    const auto init = seal ? EVP_EncryptInit_ex : EVP_DecryptInit_ex;
    const auto update = seal ? EVP_EncryptUpdate : EVP_DecryptUpdate;
    if (!context || init(context.get(), EVP_aes_256_gcm(), nullptr, Bytes(key), Bytes(iv)) != 1 ||
        update(context.get(), nullptr, &length, Bytes(kSealContext),
               static_cast<int>(kSealContext.size())) != 1 ||
        update(context.get(), outBytes, &length, Bytes(in), static_cast<int>(in.size())) != 1)
        return false;
    if (seal) {
        tag.assign(kTagSize, '\0');
        return EVP_EncryptFinal_ex(context.get(), outBytes + length, &length) == 1 &&
               EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_GCM_GET_TAG, kTagSize, tag.data()) == 1;
    }
    return EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_GCM_SET_TAG, kTagSize, tag.data()) == 1 &&
           EVP_DecryptFinal_ex(context.get(), outBytes + length, &length) == 1;
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream stream(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << stream.rdbuf();
    if (!stream)
        throw CompileError(path + ": cannot read the certificate");
    return bytes.str();
}

struct Pkcs12Contents {
    std::unique_ptr<X509, decltype(&X509_free)> certificate{nullptr, &X509_free};
    std::unique_ptr<STACK_OF(X509), void (*)(STACK_OF(X509)*)> chain{
        nullptr, [](STACK_OF(X509) * stack) { sk_X509_pop_free(stack, X509_free); }};
};

Pkcs12Contents OpenPkcs12(const std::string& certificate, const std::string& password) {
    const std::string bytes = ReadFileBytes(certificate);
    const unsigned char* cursor = Bytes(bytes);
    std::unique_ptr<PKCS12, decltype(&PKCS12_free)> pkcs12(
        d2i_PKCS12(nullptr, &cursor, static_cast<long>(bytes.size())), &PKCS12_free);
    if (!pkcs12)
        throw CompileError(certificate + ": not a PKCS#12 certificate file");
    EVP_PKEY* key = nullptr;
    X509* leaf = nullptr;
    STACK_OF(X509)* chain = nullptr;
    if (PKCS12_parse(pkcs12.get(), password.c_str(), &key, &leaf, &chain) != 1)
        throw CompileError(certificate + ": the password does not open the certificate");
    EVP_PKEY_free(key);
    Pkcs12Contents contents;
    contents.certificate.reset(leaf);
    contents.chain.reset(chain);
    if (!contents.certificate)
        throw CompileError(certificate + ": holds no certificate");
    return contents;
}

std::string Pem(X509* certificate) {
    std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new(BIO_s_mem()), &BIO_free);
    PEM_write_bio_X509(bio.get(), certificate);
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<size_t>(size));
}

// The signer's certificate and chain, then the system's authorities: what the signature must
// chain to.
std::string TrustedCertificates(const SigningSettings& settings) {
    const Pkcs12Contents contents = OpenPkcs12(settings.certificate, settings.password);
    std::string pem = Pem(contents.certificate.get());
    for (int i = 0; contents.chain && i < sk_X509_num(contents.chain.get()); ++i)
        pem += Pem(sk_X509_value(contents.chain.get(), i));
    std::ifstream system(kSystemAuthorities, std::ios::binary);
    std::ostringstream authorities;
    authorities << system.rdbuf();
    return pem + authorities.str();
}

// What osslsigncode printed (it never prints the password it read).
std::string Reported(const ChildResult& result) {
    return result.started ? result.output : "osslsigncode is not installed";
}

}  // namespace

std::string SealSecret(const std::string& secret, const std::string& keyFile) {
    const std::string key = UserKey(keyFile, true);
    std::string iv(kIvSize, '\0');
    if (RAND_bytes(reinterpret_cast<unsigned char*>(iv.data()), kIvSize) != 1)
        throw CompileError("No random bytes to seal a secret");
    std::string sealed, tag;
    if (!Crypt(true, key, iv, secret, sealed, tag))
        throw CompileError("Cannot seal the secret");
    const std::string bytes = iv + sealed + tag;
    return std::string(kSealVersion) + HexBytes(Bytes(bytes), bytes.size());
}

std::string UnsealSecret(const std::string& sealed, const std::string& keyFile) {
    const auto fail = [&] {
        return CompileError("The signing password in the settings cannot be unsealed with " +
                            keyFile + "; configure the certificate again");
    };
    if (!sealed.starts_with(kSealVersion))
        throw fail();
    const std::string bytes = FromHex(std::string_view(sealed).substr(kSealVersion.size()));
    if (bytes.size() < kIvSize + kTagSize || !fs::exists(keyFile))
        throw fail();
    std::string tag = bytes.substr(bytes.size() - kTagSize);
    std::string secret;
    if (!Crypt(false, UserKey(keyFile, false), bytes.substr(0, kIvSize),
               std::string_view(bytes).substr(kIvSize, bytes.size() - kIvSize - kTagSize), secret,
               tag))
        throw fail();
    return secret;
}

SigningSettings ReadSigningSettings() {
    SigningSettings settings;
    settings.certificate =
        kb::ReadSetting(kb::SettingsRoot::CurrentUser, kSigningCertificateSetting, "");
    if (!settings.Configured())
        return settings;
    settings.password = UnsealSecret(
        kb::ReadSetting(kb::SettingsRoot::CurrentUser, kSigningPasswordSetting, ""), KeyFile());
    settings.timestampServer =
        kb::ReadSetting(kb::SettingsRoot::CurrentUser, kSigningTimestampSetting, "");
    return settings;
}

void StoreSigningSettings(const SigningSettings& settings) {
    std::string sealed;
    if (settings.Configured()) {
        CertificateSubject(settings.certificate, settings.password);
        sealed = SealSecret(settings.password, KeyFile());
    }
    const std::string certificate =
        settings.Configured() ? fs::absolute(settings.certificate).string() : "";
    kb::WriteSetting(kb::SettingsRoot::CurrentUser, kSigningPasswordSetting, sealed);
    kb::WriteSetting(kb::SettingsRoot::CurrentUser, kSigningTimestampSetting,
                     settings.timestampServer);
    kb::WriteSetting(kb::SettingsRoot::CurrentUser, kSigningCertificateSetting, certificate);
}

std::string CertificateSubject(const std::string& certificate, const std::string& password) {
    const Pkcs12Contents contents = OpenPkcs12(certificate, password);
    std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new(BIO_s_mem()), &BIO_free);
    X509_NAME_print_ex(bio.get(), X509_get_subject_name(contents.certificate.get()), 0,
                       XN_FLAG_RFC2253);
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<size_t>(size));  // RFC 2253 escapes control characters
}

void SignProgram(const std::string& path, const SigningSettings& settings,
                 const std::string& description, std::int64_t time) {
    const std::string signedPath = path + ".signed";
    std::vector<std::string> arguments = {"osslsigncode", "sign",  "-pkcs12", settings.certificate,
                                          "-readpass",    "-",     "-n",      description,
                                          "-h",           "sha256"};
    if (settings.timestampServer.empty()) {
        arguments.insert(arguments.end(), {"-time", std::to_string(time)});
    } else {
        arguments.insert(arguments.end(), {"-ts", settings.timestampServer});
    }
    arguments.insert(arguments.end(), {"-in", path, "-out", signedPath});
    std::error_code ignored;
    fs::remove(signedPath, ignored);
    ChildOptions options;
    options.input = settings.password + "\n";
    options.timeoutSeconds = 300;
    const ChildResult result = RunChild(arguments, options);
    if (result.exitCode != 0) {
        fs::remove(signedPath, ignored);
        throw CompileError(path + ": signing failed: " + Reported(result));
    }
    std::error_code error;
    fs::rename(signedPath, path, error);
    if (error)
        throw CompileError(path + ": cannot replace it by its signed copy: " + error.message());
}

void VerifySignature(const std::string& path, const SigningSettings& settings) {
    const TemporaryFolder folder("compil32-verify");
    const std::string trusted = folder.Path() + "/trusted.pem";
    std::ofstream(trusted, std::ios::binary) << TrustedCertificates(settings);
    ChildOptions options;
    options.timeoutSeconds = 120;
    const ChildResult result =
        RunChild({"osslsigncode", "verify", "-CAfile", trusted, "-in", path}, options);
    if (result.exitCode != 0)
        throw CompileError(path + ": the signature does not verify: " + Reported(result));
}

}  // namespace compiler
