#pragma once
// Where the workspace lives and how its folders and item files are named.
//
// The workspace root is DocumentsFolder()/Bobbinwright/Personal Files. DocumentsFolder() comes
// from foundation/platform.h; kb::SetDocumentsFolder redirects the whole workspace (tests,
// sample workspaces). SetWorkspaceFolder names a workspace root directly (the command line's
// --workspace) and takes precedence.
// In the operations below, "+ sub" means: when sub is not empty, a separator and sub are
// appended. Workspace paths use "/" (PathJoin); installer paths always use "\".
#include <string>
#include <string_view>

namespace kb {

// Makes folder the workspace root (made absolute); "" returns to the documents folder's.
void SetWorkspaceFolder(std::string_view folder);

// The workspace root as an absolute, normalised path; with withSlash followed by one separator.
std::string WorkspaceRoot(bool withSlash = true);
// root + relative (plain concatenation).
std::string RootPath(std::string_view relative);
// root + relative + separator.
std::string RootFolderPath(std::string_view relative);
// root + folder joined with name, normalised.
std::string RootCombine(std::string_view folder, std::string_view name);
// root + "Designers" + sub.
std::string DesignersFolder(std::string_view sub = {});
// DesignersFolder(designer) + sub.
std::string DesignerFolder(std::string_view designer, std::string_view sub = {});
// DesignerFolder(designer, collection) + sub.
std::string CollectionFolder(std::string_view designer, std::string_view collection,
                             std::string_view sub = {});
// root + "Designers" for source index 0 ("Stylesmith"), root + "Patterns" otherwise; + sub.
std::string MacroSourceFolder(int sourceIndex, std::string_view sub = {});

// A stock picture in the resource folder (../Kitbinder beside bin/ in the build tree, the
// installed share folder otherwise; see LocateProgramFiles), normalised.
std::string ResourceFile(std::string_view name);

// The support-file extension list: 0 "jpg", 1 "pdf", 2 "html", 3 "txt"; "" for any other
// index. Walks start at 0 and stop at the first empty result.
std::string SupportExtension(int index);
inline constexpr int kSupportExtensionCount = 4;

// The installer's root for shared files: "{pf}\Bobbinwright Software\Shared\".
std::string InstallRoot();

}  // namespace kb
