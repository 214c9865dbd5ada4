#pragma once
// Copying and deleting an item file together with its support files (same base path, each
// extension of the support-file list).
#include <string_view>

namespace kb {

// Does nothing unless source exists and target is not empty. Otherwise copies source to target,
// then source's support files to target's, each copy overwriting; missing support files and a
// copy onto its own source are skipped. Below the workspace root every file is found whatever the
// case of its names, as on Windows. Copy failures raise kb::FileError.
void CopyWithSupportFiles(std::string_view source, std::string_view target);

// Deletes path and each of its support files that exists, found as CopyWithSupportFiles does.
// Refuses (kb::FileError, nothing deleted) when one of them lies outside the workspace or a part
// of it is a link (RequireSafeWorkspacePath).
void DeleteWithSupportFiles(std::string_view path);

}  // namespace kb
