#include "compiler/stopping.h"

#include <filesystem>

namespace compiler {

namespace fs = std::filesystem;

int OwnerOf(std::string_view name, std::string_view prefix) {
    if (!name.starts_with(prefix))
        return 0;
    name.remove_prefix(prefix.size());
    int pid = 0;
    size_t digits = 0;
    for (; digits < name.size() && name[digits] >= '0' && name[digits] <= '9'; ++digits) {
        if (pid > 100000000)
            return 0;
        pid = pid * 10 + (name[digits] - '0');
    }
    if (digits == 0 || (digits < name.size() && name[digits] != '-' && name[digits] != '.'))
        return 0;
    return pid;
}

void RemoveLeftovers(const std::string& folder, std::string_view prefix) {
    std::error_code error;
    fs::directory_iterator entries(folder, error);
    if (error)
        return;
    for (const fs::directory_entry& entry : entries) {
        const int owner = OwnerOf(entry.path().filename().string(), prefix);
        if (owner > 0 && owner != ProcessId() && !ProcessRunning(owner)) {
            std::error_code ignored;
            fs::remove_all(entry.path(), ignored);
        }
    }
}

}  // namespace compiler
