// libFuzzer entry for the sealed signing password as read back from the settings (target
// compiler_secret_fuzz, not in "all"): any stored text either opens to a secret that seals and
// opens again unchanged, or is refused with a CompileError; nothing else may happen.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "compiler/code_signing.h"
#include "compiler/diagnostics.h"

namespace {

// One key for the whole run, in a folder of its own below the temporary folder that goes at
// the end.
struct KeyFolder {
    KeyFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "secret-fuzz-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        path = pattern;
    }
    ~KeyFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string path;
};

const std::string& KeyFile() {
    static const KeyFolder folder;
    static const std::string path = folder.path + "/KB10.key";
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string stored(reinterpret_cast<const char*>(data), size);
    // A value sealed with the run's key, so that the mutations reach the decryption too.
    static const std::string sealed = compiler::SealSecret("seed", KeyFile());
    // The sealed value with the input written over the start of its hex text, so that the
    // mutations reach the decryption and its tag check too.
    std::string tampered = sealed;
    tampered.replace(8, std::min(stored.size(), tampered.size() - 8), stored);
    try {
        const std::string secret = compiler::UnsealSecret(tampered, KeyFile());
        if (compiler::UnsealSecret(compiler::SealSecret(secret, KeyFile()), KeyFile()) != secret)
            std::abort();
    } catch (const compiler::CompileError&) {
    }
    try {
        compiler::UnsealSecret(stored, KeyFile());
    } catch (const compiler::CompileError&) {
    }
    return 0;
}
