#include "tests/support/test_paths.h"

#include <filesystem>
#include <system_error>

#include "foundation/files.h"

namespace kb::test {

bool MakeLink(const std::string& target, const std::string& link, bool folder) {
    std::error_code error;
    if (folder)
        std::filesystem::create_directory_symlink(FsPath(target), FsPath(link), error);
    else
        std::filesystem::create_symlink(FsPath(target), FsPath(link), error);
    return !error;
}

}  // namespace kb::test
