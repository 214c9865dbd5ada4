#pragma once
// The command line of kitbinder-cli: its commands, options and exit codes.
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace kb::cli {

// Exit codes: documented in the manual page.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFound = 1;  // check: files missing; build: a build failed
inline constexpr int kExitError = 2;  // bad usage, bad input, unreadable files, no compiler

enum class Command { Help, Version, List, Check, Build };

struct Options {
    Command command = Command::Help;
    std::string workspace;              // --workspace; "" for the one below the documents folder
    bool json = false;                  // --json (list, check)
    bool all = false;                   // build --all
    bool scriptOnly = false;            // build --script-only
    bool allowMissing = false;          // build --allow-missing
    std::optional<std::string> output;  // build -o
    std::vector<std::string> names;     // DESIGNER [COLLECTION]
};

// A command line that cannot be followed; the message says what is wrong.
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Reads the arguments after the program name. Throws UsageError.
Options ParseOptions(const std::vector<std::string>& arguments);

// The --help text.
std::string HelpText();

}  // namespace kb::cli
