// libFuzzer entry for the setup builder's text readers (target setup_text_fuzz, not in "all");
// with a compiler other than clang it is linked with tests/support/fuzz_driver.cpp.
#include <cstddef>
#include <cstdint>

#include "tests/setup/setup_text_fuzz_body.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kb::test::FuzzSetupTextOnce(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
