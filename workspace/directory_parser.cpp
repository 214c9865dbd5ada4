#include "workspace/directory_parser.h"

#include <algorithm>
#include <unordered_set>

#include "foundation/files.h"
#include "foundation/paths.h"
#include "workspace/workspace_paths.h"

namespace kb {

namespace {

std::string EntryPath(std::string_view base, std::string_view extension) {
    std::string path;
    path.reserve(base.size() + 1 + extension.size());
    path.append(base).append(".").append(extension);
    return path;
}

}  // namespace

void DirectoryParserList::AddEntry(std::string_view base, std::string_view extension,
                                   std::uint32_t type, std::string_view tableName) {
    std::string path = EntryPath(base, extension);
    const bool exists = FileExists(path);
    entries.push_back({exists, std::move(path), type, std::string(tableName)});
}

void DirectoryParserList::AddEntry(std::string_view base, std::string_view extension,
                                   std::uint32_t type, std::string_view tableName,
                                   FolderListings& names) {
    std::string path = EntryPath(base, extension);
    std::string found = names.FindFile(path);
    const bool exists = !found.empty();
    entries.push_back(
        {exists, exists ? std::move(found) : std::move(path), type, std::string(tableName)});
}

void DirectoryParserList::AddSupportEntries(std::string_view base, std::uint32_t type,
                                            std::string_view tableName) {
    for (int i = 0; !SupportExtension(i).empty(); ++i) {
        AddEntry(base, SupportExtension(i), type, tableName);
    }
}

void DirectoryParserList::AddSupportEntries(std::string_view base, std::uint32_t type,
                                            std::string_view tableName, FolderListings& names) {
    for (int i = 0; !SupportExtension(i).empty(); ++i) {
        AddEntry(base, SupportExtension(i), type, tableName, names);
    }
}

void DirectoryParserList::Append(DirectoryParser entry) {
    entries.push_back(std::move(entry));
}

namespace {

// An entry's (path, type) pair, viewing the entry's own path.
struct PathAndType {
    std::string_view path;
    std::uint32_t type;
    bool operator==(const PathAndType&) const = default;
};

struct PathAndTypeHash {
    size_t operator()(const PathAndType& key) const {
        return std::hash<std::string_view>{}(key.path) ^ key.type;
    }
};

}  // namespace

void DirectoryParserList::RemoveDuplicates() {
    std::unordered_set<PathAndType, PathAndTypeHash> seen;
    seen.reserve(entries.size());
    std::vector<DirectoryParser> kept;
    kept.reserve(entries.size());
    // The kept entries move only after every entry has been seen, so the views stay valid.
    std::vector<bool> first(entries.size());
    for (size_t i = 0; i < entries.size(); ++i)
        first[i] = seen.insert({entries[i].path, entries[i].type}).second;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (first[i])
            kept.push_back(std::move(entries[i]));
    }
    entries = std::move(kept);
}

void DirectoryParserList::KeepExisting(bool flag) {
    std::erase_if(entries, [flag](const DirectoryParser& entry) { return entry.exists != flag; });
}

void DirectoryParserList::RemoveShadowedPictures() {
    std::unordered_set<std::string_view> tablePaths;
    // Only a picture path as long as some table entry's can equal one: the others are not
    // hashed.
    std::vector<bool> tableLengths;
    for (const DirectoryParser& entry : entries) {
        if (entry.type != MeasureTableFile)
            continue;
        tablePaths.insert(entry.path);
        if (tableLengths.size() <= entry.path.size())
            tableLengths.resize(entry.path.size() + 1);
        tableLengths[entry.path.size()] = true;
    }
    if (tablePaths.empty())
        return;
    // The set views the table entries' paths: every entry is judged before any of them moves.
    std::vector<bool> shadowed(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        const DirectoryParser& entry = entries[i];
        shadowed[i] = entry.type == MeasurePicture && entry.path.size() < tableLengths.size() &&
                      tableLengths[entry.path.size()] && tablePaths.count(entry.path) > 0;
    }
    size_t kept = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (shadowed[i])
            continue;
        if (kept != i)
            entries[kept] = std::move(entries[i]);
        ++kept;
    }
    entries.resize(kept);
}

void DirectoryParserList::RemoveDuplicateMmtFiles() {
    mmtFiles.RemoveDuplicates();
}

std::string InstallFolder(const DirectoryParser& entry, std::string_view designer,
                          std::string_view collection) {
    const std::string root = InstallRoot();
    switch (entry.type) {
        case MeasureTableFile:
            return InstallerPathJoin(root, "MeasureTables");
        case MeasurePicture:
            if (entry.tableName.empty())
                return InstallerPathJoin(root, "MeasureTables");
            return InstallerPathJoin(root, "MeasurePictures", entry.tableName);
        case DesignerFile:
            return InstallerPathJoin(root, "Designers", designer);
        case CollectionFile:
        case GarmentFile:
        case GarmentPicture:
            return InstallerPathJoin(root, "Designers", designer, collection);
        default:
            return {};
    }
}

std::string InstallFolder(const DirectoryParser& entry) {
    return InstallFolder(entry, CurrentDesigner(), CurrentCollection());
}

std::string RefusedText(const RefusedName& refused) {
    return NameOf(refused.file) + " line " + std::to_string(refused.line) + ": \"" + refused.name +
           "\": " + refused.reason;
}

std::string DisplayText(const DirectoryParser& entry) {
    return NameOf(entry.path);
}

std::string NameWithoutExtension(std::string_view path) {
    std::string name = NameOf(path);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return name;
}

}  // namespace kb
