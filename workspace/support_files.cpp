#include "workspace/support_files.h"

#include <string>
#include <vector>

#include "foundation/files.h"
#include "foundation/paths.h"
#include "workspace/safe_paths.h"
#include "workspace/workspace_paths.h"

namespace kb {
namespace {

// The overwriting copy: skipped when the source is missing or is the target itself.
void CopyOverwriting(const std::string& from, const std::string& to) {
    if (from == to || !FileExists(from))
        return;
    CopyFile(from, to, true);
}

std::string Sibling(std::string_view path, int extensionIndex) {
    return StripExtension(path, false) + "." + SupportExtension(extensionIndex);
}

}  // namespace

void CopyWithSupportFiles(std::string_view source, std::string_view target) {
    if (target.empty() || !FileExists(source))
        return;
    CopyOverwriting(std::string(source), std::string(target));
    for (int i = 0; !SupportExtension(i).empty(); ++i) {
        CopyOverwriting(Sibling(source, i), Sibling(target, i));
    }
}

void DeleteWithSupportFiles(std::string_view path) {
    std::vector<std::string> files{std::string(path)};
    for (int i = 0; !SupportExtension(i).empty(); ++i)
        files.push_back(Sibling(path, i));
    for (const std::string& file : files)
        RequireSafeWorkspacePath(file);
    for (const std::string& file : files) {
        if (FileExists(file))
            DeleteFile(file);
    }
}

}  // namespace kb
