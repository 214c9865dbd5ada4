#pragma once
// Whether a workspace item may be deleted, renamed or moved at a path: only when the path lies
// below the workspace root and no part of it below the root is a symbolic link, so that such an
// operation cannot reach through a link into a folder outside the workspace.
#include <optional>
#include <string>
#include <string_view>

namespace kb {

struct UnsafePart {
    std::string path;
    bool link;  // path is a symbolic link; otherwise it does not lie below the workspace root
};

// What makes a delete, rename or move at path unsafe: the first part below the workspace root
// that is a symbolic link, or path itself when it does not lie below the root (a "." or ".." part
// counts as leaving it). Nothing when the path is safe. Parts that do not exist cannot be links:
// the first missing part ends the walk.
std::optional<UnsafePart> UnsafePartBelowRoot(std::string_view path);

// Throws kb::FileError naming the unsafe part (UnsafePartBelowRoot) when there is one.
void RequireSafeWorkspacePath(std::string_view path);

}  // namespace kb
