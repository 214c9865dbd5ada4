// kitbinder-cli: lists, checks and builds collections without the window.
#include <unistd.h>

#include <iostream>

#include "app/cli/cli_commands.h"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    return kb::cli::Run(arguments, {std::cout, std::cerr, ::isatty(STDOUT_FILENO) == 1});
}
