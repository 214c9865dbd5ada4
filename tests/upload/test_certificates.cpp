#include "tests/upload/test_certificates.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <vector>

#include "foundation/platform.h"

namespace kb::test {
namespace {

void Openssl(const std::string& folder, const std::vector<std::string>& arguments) {
    const ProgramResult result = StartProgram("openssl", arguments, folder, true);
    if (!result.started || result.exitCode != 0)
        throw std::runtime_error("openssl " + arguments.front() + " failed: " + result.output);
}

// A self-signed authority named name: name.pem and name.key.
void MakeAuthority(const std::string& folder, const std::string& name) {
    Openssl(folder, {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                     "-nodes", "-days", "2", "-subj", "/CN=Kit Binder test " + name, "-keyout",
                     name + ".key", "-out", name + ".pem"});
}

// A new folder of its own in the system's temporary folder.
std::string MakeFolder() {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto folder = std::filesystem::temp_directory_path() /
                            ("kb-certificates-" + std::to_string(random()));
        if (std::filesystem::create_directory(folder))
            return folder.string();
    }
    throw std::runtime_error("cannot make a folder for the test certificates");
}

TestCertificates Make() {
    const std::string folder = MakeFolder();
    MakeAuthority(folder, "authority");
    MakeAuthority(folder, "other");
    std::ofstream(folder + "/server.ext") << "subjectAltName=DNS:localhost\n"
                                             "basicConstraints=CA:FALSE\n"
                                             "extendedKeyUsage=serverAuth\n";
    Openssl(folder, {"req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
                     "-subj", "/CN=localhost", "-keyout", "server.key", "-out", "server.csr"});
    Openssl(folder,
            {"x509", "-req", "-in", "server.csr", "-CA", "authority.pem", "-CAkey", "authority.key",
             "-CAcreateserial", "-days", "2", "-extfile", "server.ext", "-out", "server.pem"});
    return {folder, folder + "/authority.pem", folder + "/server.pem", folder + "/server.key",
            folder + "/other.pem"};
}

}  // namespace

const TestCertificates& Certificates() {
    // Removes the folder when the process ends.
    static const struct Made {
        TestCertificates certificates = Make();
        ~Made() { std::filesystem::remove_all(certificates.folder); }
    } made;
    return made.certificates;
}

}  // namespace kb::test
