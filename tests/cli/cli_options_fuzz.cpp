// libFuzzer target for kitbinder-cli's command line (target cli_options_fuzz, not in "all"):
// the input is the arguments, separated by NUL bytes. Any command line either is refused with
// a UsageError or gives options that keep the rules of the commands, whose names and values
// come from the arguments, and which read the same when written out as a command line again.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "app/cli/cli_options.h"

namespace {

using kb::cli::Command;
using kb::cli::Options;

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "cli options: %s\n", what);
        std::abort();
    }
}

std::vector<std::string> Arguments(std::string_view bytes) {
    std::vector<std::string> arguments;
    for (size_t start = 0; start <= bytes.size();) {
        const size_t end = std::min(bytes.find('\0', start), bytes.size());
        arguments.emplace_back(bytes.substr(start, end - start));
        start = end + 1;
    }
    return arguments;
}

const char* CommandName(Command command) {
    switch (command) {
        case Command::List:
            return "list";
        case Command::Check:
            return "check";
        case Command::Build:
            return "build";
        default:
            return "help";
    }
}

// The options as a command line of long options, names after "--".
std::vector<std::string> Written(const Options& options) {
    if (options.command == Command::Version)
        return {"--version"};
    std::vector<std::string> line;
    if (!options.workspace.empty())
        line.insert(line.end(), {"--workspace", options.workspace});
    line.emplace_back(CommandName(options.command));
    if (options.json)
        line.emplace_back("--json");
    if (options.all)
        line.emplace_back("--all");
    if (options.scriptOnly)
        line.emplace_back("--script-only");
    if (options.output)
        line.insert(line.end(), {"--output", *options.output});
    line.emplace_back("--");
    line.insert(line.end(), options.names.begin(), options.names.end());
    return line;
}

bool Same(const Options& a, const Options& b) {
    return a.command == b.command && a.workspace == b.workspace && a.json == b.json &&
           a.all == b.all && a.scriptOnly == b.scriptOnly && a.output == b.output &&
           a.names == b.names;
}

void CheckRules(const Options& options) {
    const bool build = options.command == Command::Build;
    const bool listOrCheck = options.command == Command::List || options.command == Command::Check;
    Check(!options.json || listOrCheck, "--json beside another command");
    Check(build || (!options.all && !options.scriptOnly && !options.output),
          "a build option beside another command");
    Check(!build || options.all != (options.names.size() == 2), "build without its names");
    Check(!options.all || !options.output, "build --all with --output");
    Check(options.command != Command::List || options.names.empty(), "list with names");
    Check(options.command != Command::Check || options.names.size() <= 2, "check with 3 names");
    Check(listOrCheck || build || options.names.empty(), "names beside help or version");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<std::string> arguments =
        Arguments(std::string_view(reinterpret_cast<const char*>(data), size));
    Options options;
    try {
        options = kb::cli::ParseOptions(arguments);
    } catch (const kb::cli::UsageError&) {
        return 0;
    }
    CheckRules(options);
    if (options.command == Command::Help)
        return 0;
    try {
        Check(Same(kb::cli::ParseOptions(Written(options)), options),
              "options read otherwise when written again");
    } catch (const kb::cli::UsageError&) {
        Check(false, "options refused when written again");
    }
    return 0;
}
