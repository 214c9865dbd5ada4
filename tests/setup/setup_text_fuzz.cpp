// libFuzzer entry for the setup builder's text readers; built only by clang (target
// setup_text_fuzz, not in "all").
#include <cstddef>
#include <cstdint>

#include "tests/setup/setup_text_fuzz_body.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kb::test::FuzzSetupTextOnce(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
