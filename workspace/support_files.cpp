#include "workspace/support_files.h"

#include <string>
#include <vector>

#include "foundation/each_file.h"
#include "foundation/files.h"
#include "foundation/paths.h"
#include "workspace/safe_paths.h"
#include "workspace/workspace_paths.h"

namespace kb {
namespace {

// The overwriting copy of the file at from, both names found whatever their case as Windows
// would (a target under another case is overwritten in place): skipped when the source is
// missing or is the target itself.
void CopyOverwriting(FolderListings& names, const std::string& from, const std::string& to) {
    const std::string source = names.FindFile(from);
    if (source.empty())
        return;
    const std::string existing = names.FindFile(to);
    const std::string& target = existing.empty() ? to : existing;
    if (source == target)
        return;
    CopyFile(source, target, true);
}

std::string Sibling(std::string_view path, int extensionIndex) {
    return StripExtension(path, false) + "." + SupportExtension(extensionIndex);
}

}  // namespace

void CopyWithSupportFiles(std::string_view source, std::string_view target) {
    FolderListings names(WorkspaceRoot(false));
    if (target.empty() || names.FindFile(source).empty())
        return;
    CopyOverwriting(names, std::string(source), std::string(target));
    for (int i = 0; !SupportExtension(i).empty(); ++i) {
        CopyOverwriting(names, Sibling(source, i), Sibling(target, i));
    }
}

void DeleteWithSupportFiles(std::string_view path) {
    FolderListings names(WorkspaceRoot(false));
    RequireSafeWorkspacePath(path);
    std::vector<std::string> files{names.FindFile(path)};
    for (int i = 0; !SupportExtension(i).empty(); ++i)
        files.push_back(names.FindFile(Sibling(path, i)));
    std::erase(files, std::string());
    for (const std::string& file : files)
        RequireSafeWorkspacePath(file);
    for (const std::string& file : files)
        DeleteFile(file);
}

}  // namespace kb
