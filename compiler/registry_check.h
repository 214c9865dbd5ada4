#pragma once
// The one piece of Pascal Script the compiler understands: an InitializeSetup function that
// refuses to install when a registry key below HKEY_LOCAL_MACHINE is missing.
#include <optional>
#include <string>
#include <vector>

#include "compiler/diagnostics.h"
#include "compiler/iss_script.h"

namespace compiler {

struct RegistryCheck {
    std::string key;      // below HKEY_LOCAL_MACHINE
    std::string message;  // shown before the setup quits
    std::string icon;     // NSIS message box icon flag, e.g. "MB_ICONSTOP"
};

// Reads the lines of [Code]; nullopt when they hold no code at all. Any other Pascal Script is a
// compile error naming the line where it departs from the recognised function.
std::optional<RegistryCheck> ReadRegistryCheck(const std::vector<IssCodeLine>& code,
                                               const Diagnostics& diagnostics);

}  // namespace compiler
