#include "tests/support/test_paths.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "foundation/files.h"
#include "foundation/paths.h"

namespace kb::test {

std::string Native(std::string_view path) {
    std::string native(path);
    std::replace(native.begin(), native.end(), '/', kPathSeparator);
    return native;
}

bool MakeLink(const std::string& target, const std::string& link, bool folder) {
    std::error_code error;
    if (folder)
        std::filesystem::create_directory_symlink(FsPath(target), FsPath(link), error);
    else
        std::filesystem::create_symlink(FsPath(target), FsPath(link), error);
    return !error;
}

}  // namespace kb::test
