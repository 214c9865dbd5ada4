// libFuzzer entry for the script translator (target compiler_fuzz, not in "all"). Built by
// clang it is driven by libFuzzer; built by another compiler it is linked with
// fuzz_driver.cpp, which replays a corpus and mutates it for a given time.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "tests/compiler/translate_fuzz_body.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    compiler::test::FuzzTranslatorOnce(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
