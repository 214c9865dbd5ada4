#pragma once
// Certificates for the TLS tests, made with the openssl program in a temporary folder: an
// authority the tests trust, a server certificate it signed for the name "localhost" only, and
// an authority that signed nothing.
#include <string>

namespace kb::test {

struct TestCertificates {
    std::string folder;
    std::string authority;       // PEM file of the trusted authority
    std::string serverChain;     // PEM file of the server's certificate
    std::string serverKey;       // PEM file of its key
    std::string otherAuthority;  // PEM file of an authority that signed nothing here
};

// Made once per process and removed at its end; throws when openssl fails.
const TestCertificates& Certificates();

}  // namespace kb::test
