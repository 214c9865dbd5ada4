// kitbinder-cli: lists, checks and builds collections without the window.
#include <iostream>

#include "app/cli/cli_commands.h"
#include "foundation/platform.h"

int main(int argc, char** argv) {
    kb::UseUtf8Console();
    return kb::cli::Run(kb::ProgramArguments(argc, argv),
                        {std::cout, std::cerr, kb::StandardErrorIsTerminal()});
}
