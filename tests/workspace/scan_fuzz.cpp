// libFuzzer entry for the table reader and the macro line readers; built only by clang (target
// scan_fuzz, not in "all").
#include <cstddef>
#include <cstdint>

#include "tests/workspace/scan_fuzz_body.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kb::test::FuzzScanOnce(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
