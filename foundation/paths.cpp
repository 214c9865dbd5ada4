#include "foundation/paths.h"

#include <array>
#include <vector>

#include "foundation/errors.h"

namespace kb {

namespace {

constexpr size_t kMaxPath = 260;
constexpr std::string_view kExtendedPrefix = "\\\\?\\";
const char* const kInvalidCharacters = "Invalid characters in path";
const char* const kTooLong = "The specified path is too long";

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

bool IsValidPathCharacter(char c) {
    auto code = static_cast<unsigned char>(c);
    return code >= 32 && c != '"' && c != '<' && c != '>' && c != '|';
}

void CheckCharacters(std::string_view path) {
    for (char c : path) {
        if (!IsValidPathCharacter(c))
            throw PathError(kInvalidCharacters, std::string(path));
    }
}

bool HasDrive(std::string_view path) {
    return path.size() >= 2 && path[1] == ':' &&
           ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

bool IsRooted(std::string_view path) {
    return (!path.empty() && IsSeparator(path[0])) || HasDrive(path) ||
           path.starts_with(kExtendedPrefix);
}

std::string JoinTwo(std::string_view a, std::string_view b, char separator) {
    if (a.empty())
        return std::string(b);
    if (b.empty())
        return std::string(a);
    CheckCharacters(a);
    CheckCharacters(b);
    if (IsRooted(b))
        return std::string(b);
    std::string out(a);
    char last = a.back();
    if (!IsSeparator(last) && last != ':')
        out.push_back(separator);
    out.append(b);
    return out;
}

std::string JoinAll(char separator, std::string_view a, std::string_view b, std::string_view c,
                    std::string_view d) {
    std::string out = JoinTwo(a, b, separator);
    if (!c.empty())
        out = JoinTwo(out, c, separator);
    if (!d.empty())
        out = JoinTwo(out, d, separator);
    return out;
}

size_t LastSeparator(std::string_view path) {
    return path.find_last_of("\\/");
}

// Resolves "." and ".." in the parts after root and rebuilds the path with separator. The
// root itself is never climbed out of; doubled separators collapse.
std::string ResolveParts(std::string_view root, std::string_view rest, char separator,
                         size_t fixedParts) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (start <= rest.size()) {
        size_t end = rest.find_first_of("\\/", start);
        if (end == std::string_view::npos)
            end = rest.size();
        std::string_view part = rest.substr(start, end - start);
        if (part == "..") {
            if (parts.size() > fixedParts)
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string out(root);
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i > 0)
            out.push_back(separator);
        out.append(parts[i]);
    }
    bool trailing = !rest.empty() && IsSeparator(rest.back());
    if (trailing && !parts.empty())
        out.push_back(separator);
    return out;
}

// A path with a drive letter or a "\\server\share" prefix is a Windows path on every platform
// (the workspace is shared with Windows programs): it is normalised as text, with "\" as
// separator and "/" read as "\", as Windows does. Relative paths are taken from the current
// folder. On Windows a path rooted by one separator lies on the current folder's drive; on
// other platforms it is a POSIX path, with "\" read as a separator as well.
std::string NormalizeText(std::string_view path) {
    if (HasDrive(path)) {
        std::string root = std::string(path.substr(0, 2)) + "\\";
        return ResolveParts(root, path.substr(2), '\\', 0);
    }
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        return ResolveParts("\\\\", path.substr(2), '\\', 2);
    }
    if (!path.empty() && IsSeparator(path[0])) {
        const std::string current = kPathSeparator == '\\' ? CurrentFolder() : std::string();
        if (HasDrive(current))
            return NormalizeText(current.substr(0, 2) + std::string(path));
        return ResolveParts("/", path, '/', 0);
    }
    std::string absolute = CurrentFolder();
    if (!IsRooted(absolute))  // no current folder to be had
        return ResolveParts(std::string(1, kPathSeparator), path, kPathSeparator, 0);
    if (!IsSeparator(absolute.back()))
        absolute.push_back(kPathSeparator);
    absolute.append(path);
    return NormalizeText(absolute);
}

}  // namespace

namespace {

// The characters that make a name more than a plain file name: controls, separators, the drive
// colon and those no path may hold. A table, as table row pictures are tested by the thousand.
constexpr std::array<bool, 256> kPathCharacters = [] {
    std::array<bool, 256> table{};
    for (size_t c = 0; c < 32; ++c)
        table[c] = true;
    for (unsigned char c : std::string_view("/\\:\"<>|"))
        table[c] = true;
    return table;
}();

}  // namespace

bool HasPathCharacters(std::string_view name) {
    for (char c : name) {
        if (kPathCharacters[static_cast<unsigned char>(c)])
            return true;
    }
    return false;
}

bool IsPlainName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && !HasPathCharacters(name);
}

bool IsUsableItemName(std::string_view name) {
    if (!IsPlainName(name) || name.find_first_not_of(' ') == std::string_view::npos)
        return false;
    if (name.back() == ' ' || name.back() == '.')
        return false;
    return name.find_first_of("?*\x7f") == std::string_view::npos;
}

std::string InFolder(std::string_view folder, std::string_view name) {
    std::string path;
    path.reserve(folder.size() + 1 + name.size());
    path.append(folder);
    path.push_back(kPathSeparator);
    path.append(name);
    return path;
}

std::string PathJoin(std::string_view a, std::string_view b, std::string_view c,
                     std::string_view d) {
    return JoinAll(kPathSeparator, a, b, c, d);
}

std::string InstallerPathJoin(std::string_view a, std::string_view b, std::string_view c,
                              std::string_view d) {
    return JoinAll('\\', a, b, c, d);
}

std::string FullPath(std::string_view a, std::string_view b, std::string_view c,
                     std::string_view d) {
    return NormalizePath(PathJoin(a, b, c, d));
}

std::string NormalizePath(std::string_view path) {
    CheckCharacters(path);
    if (path.find_first_not_of(' ') == std::string_view::npos) {
        throw PathError(kInvalidCharacters, std::string(path));
    }
    if (path.starts_with(kExtendedPrefix))
        return std::string(path);
    std::string normal = NormalizeText(path);
    if (normal.size() >= kMaxPath)
        throw PathError(kTooLong, std::string(path));
    return normal;
}

bool LiesBelow(std::string_view path, std::string_view folder) {
    while (folder.size() > 1 && IsSeparator(folder.back()))
        folder.remove_suffix(1);
    if (folder.empty() || !path.starts_with(folder))
        return false;
    std::string_view rest = path.substr(folder.size());
    if (!IsSeparator(folder.back())) {
        if (rest.empty() || !IsSeparator(rest.front()))
            return false;
        rest.remove_prefix(1);
    }
    return !rest.empty() && !IsSeparator(rest.front());
}

std::string JoinIfBase(std::string_view base, std::string_view name) {
    return base.empty() ? std::string(name) : FullPath(base, name);
}

std::string FolderOf(std::string_view path) {
    size_t last = LastSeparator(path);
    return last == std::string_view::npos ? std::string() : std::string(path.substr(0, last));
}

std::string NameOf(std::string_view path) {
    size_t last = LastSeparator(path);
    return std::string(last == std::string_view::npos ? path : path.substr(last + 1));
}

std::string ExtensionOf(std::string_view path) {
    size_t dot = path.rfind('.');
    return dot == std::string_view::npos ? std::string() : std::string(path.substr(dot));
}

std::string StripExtension(std::string_view path, bool nameOnly) {
    size_t nameStart = path.find_last_of(nameOnly ? "\\/:" : "\\/");
    nameStart = nameStart == std::string_view::npos ? 0 : nameStart + 1;
    std::string_view name = path.substr(nameStart);
    size_t dot = name.rfind('.');
    if (dot != std::string_view::npos)
        name = name.substr(0, dot);
    if (nameOnly)
        return std::string(name);
    return FullPath(FolderOf(path), name);
}

std::string ChangeExtension(std::string_view path, std::string_view extension) {
    std::string out = StripExtension(path, false);
    out.push_back('.');
    out.append(extension);
    return out;
}

}  // namespace kb
