#pragma once
// A fresh folder below $TMPDIR (or /tmp), removed with everything in it when it goes.
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "compiler/diagnostics.h"

namespace compiler {

class TemporaryFolder {
  public:
    explicit TemporaryFolder(const std::string& prefix) {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + prefix + "-XXXXXX";
        if (!mkdtemp(pattern.data()))
            throw CompileError("Cannot make a temporary folder in " + pattern);
        path_ = pattern;
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
};

}  // namespace compiler
