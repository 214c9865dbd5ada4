#include "foundation/files.h"

#include <algorithm>
#include <system_error>
#include <vector>

#include "foundation/each_file.h"
#include "foundation/errors.h"
#include "foundation/paths.h"
#include "foundation/system_calls.h"

namespace kb {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void Fail(const std::string& what, std::string_view path, const std::error_code& ec) {
    throw FileError(what + " \"" + std::string(path) + "\": " + ec.message());
}

[[noreturn]] void Fail(const std::string& what, std::string_view path, std::errc error) {
    Fail(what, path, std::make_error_code(error));
}

// Writing through a link to a file replaces the file it points to, not the link.
std::string WriteTarget(std::string_view path) {
    std::error_code ec;
    const fs::path p = FsPath(path);
    if (fs::is_symlink(p, ec) && fs::is_regular_file(p, ec)) {
        fs::path resolved = fs::canonical(p, ec);
        if (!ec)
            return PathText(resolved);
    }
    return std::string(path);
}

void EnsureParentOf(const std::string& path) {
    const std::string parent = FolderOf(path);
    if (!parent.empty())
        EnsureFolder(parent);
}

// Makes the folder at path and the folders above it that are missing.
void MakeFolders(const std::string& path) {
    if (FolderExists(path))
        return;
    std::string_view parent = path;
    while (!parent.empty() && (parent.back() == '/' || parent.back() == '\\'))
        parent.remove_suffix(1);
    parent = std::string_view(path).substr(0, parent.find_last_of("/\\") + 1);
    if (parent.size() > 1 && parent.size() < path.size())
        MakeFolders(std::string(parent));
    if (const std::string problem = os::MakeFolder(path); !problem.empty() && !FolderExists(path))
        throw FileError("Cannot create the folder \"" + std::string(path) + "\": " + problem);
}

// Copies the folder from into to, which is made when missing; files already in to are replaced,
// others kept. Links are copied as links, never followed.
void CopyTree(const std::string& from, const std::string& to) {
    EnsureFolder(to);
    std::vector<std::string> names;
    EachFileDir entries(from);
    while (!entries.Next())
        names.push_back(entries.Name());
    for (const std::string& name : names) {
        const std::string source = InFolder(from, name);
        const std::string target = InFolder(to, name);
        const os::PathState state = os::StateOf(source, false);
        if (state.link) {
            const os::PathState existing = os::StateOf(target, false);
            if (existing.exists && (existing.link || !existing.folder))
                os::RemoveFile(target);
            std::error_code ec;
            fs::copy_symlink(FsPath(source), FsPath(target), ec);
            if (ec)
                Fail("Cannot copy the link \"" + source + "\" to", target, ec);
        } else if (state.folder) {
            CopyTree(source, target);
        } else if (state.exists) {
            os::ReplaceWithCopy(source, target);
        }
    }
}

bool IsInside(const fs::path& inner, const fs::path& outer) {
    std::error_code ec;
    fs::path a = fs::weakly_canonical(inner, ec);
    if (ec)
        return false;
    fs::path b = fs::weakly_canonical(outer, ec);
    if (ec)
        return false;
    auto mismatch = std::mismatch(b.begin(), b.end(), a.begin(), a.end());
    return mismatch.first == b.end();
}

}  // namespace

fs::path FsPath(std::string_view path) {
    return fs::path(std::u8string(path.begin(), path.end()));
}

std::string PathText(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

bool FolderWritable(std::string_view folder) {
    return os::FolderWritable(std::string(folder));
}

bool FileExists(std::string_view path) {
    const os::PathState state = os::StateOf(std::string(path), true);
    return state.exists && !state.folder;
}

bool FolderExists(std::string_view path) {
    const os::PathState state = os::StateOf(std::string(path), true);
    return state.exists && state.folder;
}

std::string ReadTextFile(std::string_view path) {
    if (path.empty())
        return {};
    return os::ReadWholeFile(std::string(path)).value_or(std::string());
}

bool WriteTextFile(std::string_view path, std::string_view text) {
    const std::string target = WriteTarget(path);
    EnsureParentOf(target);
    os::ReplaceWithText(target, text);
    return true;
}

bool EnsureFolder(std::string_view path) {
    if (path.empty())
        return false;
    if (FileExists(path))
        return true;
    MakeFolders(std::string(path));
    return true;
}

bool DeleteFile(std::string_view path) {
    const std::string name(path);
    if (FileExists(name))
        os::RemoveFile(name);
    return FileExists(name);
}

void CopyFile(std::string_view from, std::string_view to, bool overwrite) {
    if ((!overwrite && FileExists(to)) || from == to || !FileExists(from))
        return;
    std::error_code ec;
    // The same file under another name: replacing the target would destroy the source. A link
    // at the target is no such name: it is replaced by the copy, whatever it points to.
    bool targetIsLink = fs::is_symlink(FsPath(to), ec);
    if (!targetIsLink && fs::equivalent(FsPath(from), FsPath(to), ec))
        return;
    const std::string target(to);
    EnsureParentOf(target);
    os::ReplaceWithCopy(std::string(from), target);
}

namespace {

// The names of path below base (both normalised); FileError when it does not lie below it.
std::vector<std::string> PartsBelow(std::string_view base, std::string_view path) {
    if (!LiesBelow(path, base))
        throw FileError("Not copied: \"" + std::string(path) + "\" does not lie inside \"" +
                        std::string(base) + "\"");
    std::vector<std::string> parts;
    std::string_view rest = path.substr(base.size());
    while (!rest.empty()) {
        const size_t end = std::min(rest.find_first_of("/\\"), rest.size());
        const std::string_view part = rest.substr(0, end);
        if (part == "." || part == "..")
            throw FileError("Not copied: \"" + std::string(path) + "\" is not normalised");
        if (!part.empty())
            parts.emplace_back(part);
        rest.remove_prefix(std::min(end + 1, rest.size()));
    }
    return parts;
}

}  // namespace

void CopyFileBelow(std::string_view fromBase, std::string_view from, std::string_view toBase,
                   std::string_view to) {
    os::CopyBelow(std::string(fromBase), PartsBelow(fromBase, from), std::string(toBase),
                  PartsBelow(toBase, to));
}

bool SameFileContents(std::string_view a, std::string_view b) {
    const os::PathState first = os::StateOf(std::string(a), true);
    const os::PathState second = os::StateOf(std::string(b), true);
    if (!first.exists || !second.exists || first.folder || second.folder ||
        first.size != second.size)
        return false;
    return ReadTextFile(a) == ReadTextFile(b);
}

void CopyFolder(std::string_view from, std::string_view to) {
    if (!FolderExists(from))
        Fail("Cannot copy the folder", from, std::errc::no_such_file_or_directory);
    if (IsInside(FsPath(to), FsPath(from)))
        Fail("Cannot copy the folder", from, std::errc::invalid_argument);
    CopyTree(std::string(from), std::string(to));
}

// A link given as the folder is removed as a link: what it points to is not part of the tree.
// Answers whether nothing is left at path (a file at path is left alone and counts as gone).
bool DeleteFolderTree(std::string_view path) {
    const std::string root(path);
    if (root.empty())
        return true;
    const os::PathState state = os::StateOf(root, false);
    if (!state.exists)
        return true;
    if (state.link) {
        os::RemoveFile(root);
    } else if (state.folder) {
        os::RemoveTree(root);  // from open folders: a folder swapped for a link is not followed
    } else {
        return true;
    }
    return !os::StateOf(root, false).exists;
}

// Renames in one step when the target does not exist yet and the file system allows it
// (same device); otherwise copies into the target and deletes the source.
void MoveFolder(std::string_view from, std::string_view to) {
    const std::string target(to);
    if (!os::StateOf(target, false).exists) {
        EnsureParentOf(target);
        if (os::Rename(std::string(from), target))
            return;
    }
    CopyFolder(from, to);
    DeleteFolderTree(from);
}

bool ReadLine(std::istream& stream, std::string& line) {
    if (!std::getline(stream, line))
        return false;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return true;
}

std::ifstream OpenForReading(std::string_view path) {
    return std::ifstream(FsPath(path), std::ios::binary);
}

}  // namespace kb
