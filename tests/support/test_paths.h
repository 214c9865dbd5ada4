#pragma once
// Paths in tests that run on every system.
#include <string>
#include <string_view>

namespace kb::test {

// A path written with "/" in the system's own form ("\" on Windows), as the program shows it.
std::string Native(std::string_view path);

// Makes a symbolic link at link pointing to target (a folder link when folder is true); false
// where this system or user cannot make links (Windows without the right, wine).
bool MakeLink(const std::string& target, const std::string& link, bool folder);

}  // namespace kb::test
