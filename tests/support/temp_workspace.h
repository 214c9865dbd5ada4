#pragma once
// A temporary documents folder for one test: the workspace root points into it while the test
// runs, and it is removed afterwards.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>

#include "tests/support/temp_folder.h"

namespace kb::test {

class TempWorkspace : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Writes a file below the workspace root (folders made as needed).
    void Write(std::string_view relative, std::string_view content = "x") const;
    void Remove(std::string_view relative) const;
    // The workspace root joined with relative.
    std::string At(std::string_view relative) const;

    std::unique_ptr<TempFolder> folder_;
    std::string documents;
    std::string root;  // workspace root, trailing separator included
};

}  // namespace kb::test
