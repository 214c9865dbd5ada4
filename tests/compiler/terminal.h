#pragma once
// A program run on a pseudo-terminal of its own, the way a user runs it in a terminal window.
#include <string>
#include <vector>

namespace compiler::test {

// Runs the program with the extra "NAME=value" environment entries on a new terminal, waits
// until it has written prompt (10 s at most), types typed (as a user would, with the terminal's own
// echo), and answers everything the terminal showed, to the program's end, and its exit code.
struct TerminalRun {
    std::string shown;
    int exitCode = -1;
};
TerminalRun RunOnTerminal(const std::vector<std::string>& arguments,
                          const std::vector<std::string>& environment, const std::string& prompt,
                          const std::string& typed);

}  // namespace compiler::test
