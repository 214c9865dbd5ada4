#pragma once
// The commands of kitbinder-cli over the workspace, scan and setup libraries that the window
// uses too.
#include <ostream>
#include <string>
#include <vector>

#include "app/cli/cli_options.h"

namespace kb::cli {

// Where a command writes: results to out; progress, messages and diagnostics to err. terminal:
// err is a terminal, so that build progress may rewrite its line.
struct Streams {
    std::ostream& out;
    std::ostream& err;
    bool terminal = false;
};

// Runs the command line (the arguments after the program name); answers the exit code.
int Run(const std::vector<std::string>& arguments, Streams streams);

}  // namespace kb::cli
