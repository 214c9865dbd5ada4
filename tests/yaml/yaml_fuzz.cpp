// libFuzzer entry for the YAML reader; built only by clang (target yaml_fuzz, not in "all").
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "tests/yaml/yaml_fuzz_body.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string difference =
        kb::test::FuzzYamlOnce(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!difference.empty()) {
        std::fputs(difference.c_str(), stderr);
        std::abort();
    }
    return 0;
}
