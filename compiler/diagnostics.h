#pragma once
// Compile errors and warnings that name the script file and line, "file:line: what is wrong".
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace compiler {

// A script that cannot be compiled; what() is the complete "file:line: ..." message.
class CompileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class Diagnostics {
  public:
    explicit Diagnostics(std::string fileName) : fileName_(std::move(fileName)) {}

    // Line 0 means the whole file: the message is then "file: what".
    std::string Where(int line) const;
    [[noreturn]] void Fail(int line, std::string_view what) const;
    void Warn(int line, std::string_view what);

    const std::string& FileName() const { return fileName_; }
    // The warnings in line order.
    const std::vector<std::string>& Warnings() const { return warnings_; }

  private:
    std::string fileName_;
    std::vector<std::string> warnings_;
    std::vector<int> warningLines_;  // parallel to warnings_
};

}  // namespace compiler
