#pragma once
// A fresh folder below $TMPDIR (or /tmp), "<prefix>-<pid>-XXXXXX", removed with everything in it
// when it goes or when the compiler is stopped. Making one removes the folders of its kind that
// compilers no longer running left behind.
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>

#include "compiler/diagnostics.h"
#include "compiler/stopping.h"

namespace compiler {

class TemporaryFolder {
  public:
    explicit TemporaryFolder(const std::string& prefix) {
        const char* tmp = std::getenv("TMPDIR");
        const std::string folder = tmp && *tmp ? tmp : "/tmp";
        RemoveLeftovers(folder, prefix + "-");
        std::string pattern = folder + "/" + prefix + "-" + std::to_string(ProcessId()) + "-XXXXXX";
        if (!mkdtemp(pattern.data()))
            throw CompileError("Cannot make a temporary folder in " + pattern);
        path_ = pattern;
        removedOnStop_ = std::make_unique<RemovedOnStop>(path_);
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
    std::unique_ptr<RemovedOnStop> removedOnStop_;
};

}  // namespace compiler
