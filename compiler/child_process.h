#pragma once
// Runs a helper program (makensis, osslsigncode, wine) and collects what it printed. Secrets go
// to the program through its standard input, never through its command line or a file.
#include <string>
#include <vector>

namespace compiler {

struct ChildResult {
    bool started = false;   // false: the program could not be found or started
    int exitCode = -1;      // -1 when it did not end normally
    std::string output;     // standard output and error together
    bool timedOut = false;  // killed for running past ChildOptions::timeoutSeconds
};

struct ChildOptions {
    std::vector<std::string> environment;  // "NAME=value" entries that replace inherited ones
    std::string input;                     // what the program reads on standard input
    std::string workingFolder;             // "" keeps the current one
    int timeoutSeconds = 0;                // 0: wait as long as it takes
};

// Runs arguments[0] (a path, or a name looked up on PATH) and waits for it to end.
ChildResult RunChild(const std::vector<std::string>& arguments, const ChildOptions& options = {});

// Answers whether RunChild can find the program (on PATH, or at that path).
bool HasChild(const std::string& program);

}  // namespace compiler
