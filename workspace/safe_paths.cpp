#include "workspace/safe_paths.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "foundation/errors.h"
#include "foundation/files.h"
#include "workspace/workspace_paths.h"

namespace kb {

namespace fs = std::filesystem;

std::optional<UnsafePart> UnsafePartBelowRoot(std::string_view path) {
    const UnsafePart outside{std::string(path), false};
    const fs::path root = FsPath(WorkspaceRoot(false));
    const fs::path target = FsPath(path);
    auto [rootPart, part] = std::mismatch(root.begin(), root.end(), target.begin(), target.end());
    if (rootPart != root.end())
        return outside;
    fs::path walked = root;
    for (; part != target.end() && !part->empty(); ++part) {  // empty: a trailing separator
        if (*part == "." || *part == "..")
            return outside;
        walked /= *part;
        std::error_code ec;
        fs::file_status status = fs::symlink_status(walked, ec);
        if (fs::is_symlink(status))
            return UnsafePart{PathText(walked), true};
        if (ec || !fs::exists(status))
            return std::nullopt;
    }
    if (walked == root)  // the root itself
        return outside;
    return std::nullopt;
}

void RequireSafeWorkspacePath(std::string_view path) {
    std::optional<UnsafePart> unsafe = UnsafePartBelowRoot(path);
    if (!unsafe)
        return;
    if (!unsafe->link)
        throw FileError("Nothing was changed: \"" + unsafe->path +
                        "\" does not lie inside the workspace \"" + WorkspaceRoot(false) + "\"");
    throw FileError("Nothing was changed: \"" + unsafe->path +
                    "\" is a symbolic link; nothing is deleted, renamed or moved through a link");
}

}  // namespace kb
