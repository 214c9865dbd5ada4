// Builds without OpenSSL (the Windows cross-build): the test servers speak no TLS, and the TLS
// tests are skipped.
#include <stdexcept>

#include "tests/upload/test_system.h"

namespace kb::test {

std::shared_ptr<ServerTls> MakeServerTls(const std::string& certificate, const std::string&) {
    throw std::runtime_error("this build's test servers have no TLS for " + certificate);
}

bool TestServersSpeakTls() {
    return false;
}

}  // namespace kb::test
