#pragma once
// A collection's workspace files and the installer script for them, the way the generator
// writes it, below a temporary folder; and a way to run the programs the tests check with.
#include <string>
#include <vector>

namespace compiler::test {

struct SampleFile {
    std::string source;       // path below the workspace
    std::string installPath;  // path below {app}, with "/"
};

struct SampleSetup {
    std::string workspace;
    std::string script;  // <workspace>/Installations/Coats.iss
    std::string setup;   // <workspace>/Installations/Coats.exe, once compiled
    std::vector<SampleFile> files;
};

inline constexpr const char* kSamplePassword = "Coat$Secret";

// Writes the workspace and the script made from data/coats.iss.in.
SampleSetup MakeSampleSetup(const std::string& root);

// Writes a script text beside the sample as Installations/<name>.
std::string WriteScript(const SampleSetup& sample, const std::string& name,
                        const std::string& text);

std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);

// The whole text with every occurrence of from replaced by to.
std::string ReplaceAll(std::string text, const std::string& from, const std::string& to);

struct RunResult {
    int exitCode = -1;
    std::string output;  // standard output and error
};

// Runs the program (looked up on PATH) with the arguments and extra "NAME=value" environment
// entries, waits for it and collects its output.
RunResult RunProgram(const std::vector<std::string>& arguments,
                     const std::vector<std::string>& environment = {});

// Answers whether the program can be found on PATH (or at that path).
bool HasProgram(const std::string& program);

}  // namespace compiler::test
