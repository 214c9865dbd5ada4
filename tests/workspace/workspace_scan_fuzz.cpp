// Fuzz target of the whole-collection scan over a generated workspace tree (target
// workspace_scan_fuzz); see workspace_scan_fuzz_body.h.
#include <cstddef>
#include <cstdint>

#include "tests/workspace/workspace_scan_fuzz_body.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kb::test::FuzzWorkspaceScanOnce(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
