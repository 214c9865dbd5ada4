#pragma once
// Joining, normalising and splitting paths.
// Splits accept both "\" and "/" as separators; joins insert the platform's own separator.
// Every function is thread-safe. Path errors raise kb::PathError.
#include <string>
#include <string_view>

namespace kb {

// The platform's separator: '/' here, '\\' on Windows.
extern const char kPathSeparator;

// The process's current folder, absolute; the root when it cannot be had.
std::string CurrentFolder();

// The path of the item called name inside folder: folder, the separator, name, exactly as given.
// Nothing is checked or normalised (PathJoin and FullPath do that), so it suits names the
// workspace itself holds or has already checked: a designer, a collection, a file found in a
// listing. name is one item's name, not a path.
std::string InFolder(std::string_view folder, std::string_view name);

// The one rule for a name that stands for a single file or folder. A plain name joins onto a
// folder as exactly one more part: it is not empty, "." or "..", and holds no separator, control
// character or one of : " < > |. HasPathCharacters is the character half of the rule.
bool IsPlainName(std::string_view name);
bool HasPathCharacters(std::string_view name);
// A usable item name (a new designer or collection folder) is a plain name that Windows also
// keeps as typed: not all blanks, without the wildcards ? * or DEL, and not ending in a space or
// a dot.
bool IsUsableItemName(std::string_view name);

std::string PathJoin(std::string_view a, std::string_view b, std::string_view c = {},
                     std::string_view d = {});
std::string FullPath(std::string_view a, std::string_view b, std::string_view c = {},
                     std::string_view d = {});
std::string NormalizePath(std::string_view path);
// Whether path lies strictly below folder, compared as text: both normalised (NormalizePath), so
// that no "." or ".." part is left to climb out; a trailing separator of folder is allowed.
bool LiesBelow(std::string_view path, std::string_view folder);
std::string JoinIfBase(std::string_view base, std::string_view name);

std::string FolderOf(std::string_view path);
std::string NameOf(std::string_view path);
std::string ExtensionOf(std::string_view path);
std::string StripExtension(std::string_view path, bool nameOnly);
std::string ChangeExtension(std::string_view path, std::string_view extension);

// Joins paths of the installed layout ({pf}, {app}, {group}...): Windows paths on every
// platform, always with "\", never "/". Same rules as PathJoin otherwise.
std::string InstallerPathJoin(std::string_view a, std::string_view b, std::string_view c = {},
                              std::string_view d = {});

}  // namespace kb
