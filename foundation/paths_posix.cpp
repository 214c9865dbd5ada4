// The POSIX side of paths.cpp.
#include <unistd.h>

#include <climits>
#include <vector>

#include "foundation/paths.h"

namespace kb {

const char kPathSeparator = '/';

std::string CurrentFolder() {
    std::vector<char> buffer(PATH_MAX);
    if (::getcwd(buffer.data(), buffer.size()) == nullptr)
        return "/";
    return buffer.data();
}

}  // namespace kb
