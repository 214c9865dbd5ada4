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

void DirectoryParserList::RemoveDuplicates() {
    std::unordered_set<std::string> seen;
    std::erase_if(entries, [&seen](const DirectoryParser& entry) {
        std::string key = std::to_string(entry.type) + '\n' + entry.path;
        return !seen.insert(std::move(key)).second;
    });
}

void DirectoryParserList::KeepExisting(bool flag) {
    std::erase_if(entries, [flag](const DirectoryParser& entry) { return entry.exists != flag; });
}

void DirectoryParserList::RemoveShadowedPictures() {
    std::unordered_set<std::string> tablePaths;
    for (const DirectoryParser& entry : entries) {
        if (entry.type == MeasureTableFile)
            tablePaths.insert(entry.path);
    }
    if (tablePaths.empty())
        return;
    std::erase_if(entries, [&tablePaths](const DirectoryParser& entry) {
        return entry.type == MeasurePicture && tablePaths.count(entry.path) > 0;
    });
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
