#pragma once
// Code signing of setups with osslsigncode, from a PKCS#12 certificate configured in the
// settings store. The certificate's password is kept there sealed (AES-256-GCM) under a key of
// the user's own, in a file beside the settings that only the user can read; it reaches
// osslsigncode through a pipe on its standard input, never on a command line, in the
// environment or in a file.
#include <cstdint>
#include <string>

namespace compiler {

struct SigningSettings {
    std::string certificate;      // PKCS#12 file; "" when nothing is configured
    std::string password;         // in clear only in memory
    std::string timestampServer;  // "" for no time stamp

    bool Configured() const { return !certificate.empty(); }
};

// Setting names in the current user's settings.
inline constexpr const char* kSigningCertificateSetting = "SigningCertificate";
inline constexpr const char* kSigningPasswordSetting = "SigningPassword";
inline constexpr const char* kSigningTimestampSetting = "SigningTimestampServer";

// Reads the configured certificate and unseals its password. Throws CompileError when the
// password cannot be unsealed (another user's key, a damaged value).
SigningSettings ReadSigningSettings();

// Checks that the password opens the certificate, then stores the three settings with the
// password sealed. An empty certificate clears the configuration. Throws CompileError.
void StoreSigningSettings(const SigningSettings& settings);

// The certificate's subject, "CN=...,O=...". Throws CompileError when the file is no PKCS#12
// file or the password does not open it.
std::string CertificateSubject(const std::string& certificate, const std::string& password);

// Signs the Windows program in place: description shown by Windows, signing time (ignored when
// a time-stamp server signs the time). Throws CompileError with osslsigncode's message.
void SignProgram(const std::string& path, const SigningSettings& settings,
                 const std::string& description, std::int64_t time);

// Verifies the program's signature against the configured certificate (its own chain and the
// system's trusted authorities). Throws CompileError with osslsigncode's message.
void VerifySignature(const std::string& path, const SigningSettings& settings);

// Sealing of a secret under the user's key file (created on first use, mode 0600).
std::string SealSecret(const std::string& secret, const std::string& keyFile);
std::string UnsealSecret(const std::string& sealed, const std::string& keyFile);

}  // namespace compiler
