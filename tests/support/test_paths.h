#pragma once
// Paths in tests that run on every system.
#include <algorithm>
#include <string>
#include <string_view>

#include "foundation/paths.h"

namespace kb::test {

// A path written with "/" in the system's own form ("\" on Windows), as the program shows it.
// Inline, so that header-only users (the sample collection in benchmarks) need no library.
inline std::string Native(std::string_view path) {
    std::string native(path);
    std::replace(native.begin(), native.end(), '/', kPathSeparator);
    return native;
}

// Makes a symbolic link at link pointing to target (a folder link when folder is true); false
// where this system or user cannot make links (Windows without the right, wine).
bool MakeLink(const std::string& target, const std::string& link, bool folder);

}  // namespace kb::test
