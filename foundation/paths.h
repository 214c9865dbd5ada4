#pragma once
// Joining, normalising and splitting paths.
// Splits accept both "\" and "/" as separators; joins insert the platform's own separator.
// Every function is thread-safe. Path errors raise kb::PathError.
#include <string>
#include <string_view>

namespace kb {

// The platform's separator: '/' here, '\\' on Windows.
extern const char kPathSeparator;

std::string PathJoin(std::string_view a, std::string_view b, std::string_view c = {},
                     std::string_view d = {});
std::string FullPath(std::string_view a, std::string_view b, std::string_view c = {},
                     std::string_view d = {});
std::string NormalizePath(std::string_view path);
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
