#include "workspace/macro_scan.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <unordered_map>
#include <unordered_set>

#include "foundation/each_file.h"
#include "foundation/errors.h"
#include "foundation/files.h"
#include "foundation/paths.h"
#include "foundation/text.h"
#include "workspace/macro_lines.h"
#include "workspace/mmt_data.h"
#include "workspace/workspace_paths.h"

namespace kb {
namespace {

// One ".mmt" file of MeasureTables as read by a scan.
struct TableFile {
    std::string fileName;  // name and extension, no folder
    std::string base;      // full path without extension
    bool loaded = false;   // LoadMmt answered true
    std::string lowerName;
    std::vector<std::string> rowPictures;
};

// What a measure_table line with one exact name contributes.
struct TableReference {
    std::vector<DirectoryParser> entries;
    std::vector<std::string> mmtFiles;
    std::unordered_set<std::string> pictureNames;  // of its type 1 entries, without extension
};

// The folders searched for the pictures of one table name (normalised, in search order), and
// every plain name they hold mapped to the first folder that holds it.
struct PictureSearch {
    std::vector<std::string> folders;
    std::unordered_map<std::string, size_t> firstFolder;
};

// A name that joins onto a folder as one more part, unchanged by normalisation.
bool IsPlainName(std::string_view name) {
    if (name.empty() || name == "." || name == "..")
        return false;
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 32)
            return false;
        switch (c) {
            case '/':
            case '\\':
            case ':':
            case '"':
            case '<':
            case '>':
            case '|':
                return false;
            default:
                break;
        }
    }
    return true;
}

// The names of the files directly in folder (anything that exists and is no folder, links
// followed, as FileExists sees it); none when the folder cannot be read. The listing's own entry
// types spare a status call per file.
std::unordered_set<std::string> FileNamesIn(const std::string& folder) {
    std::unordered_set<std::string> names;
    DIR* handle = opendir(folder.c_str());
    if (handle == nullptr)
        return names;
    while (const dirent* entry = readdir(handle)) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == ".." || entry->d_type == DT_DIR)
            continue;
        if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
            struct stat state {};
            const std::string path = folder + "/" + std::string(name);
            if (stat(path.c_str(), &state) != 0 || S_ISDIR(state.st_mode))
                continue;
        }
        names.emplace(name);
    }
    closedir(handle);
    return names;
}

std::string ExtensionWithoutDot(const std::string& fileName) {
    return fileName.substr(fileName.rfind('.') + 1);
}

bool HasMmtExtension(const std::string& fileName) {
    const size_t dot = fileName.rfind('.');
    return dot != std::string::npos && LowerCase(fileName.substr(dot)) == ".mmt";
}

// Normalised paths are shorter than this many characters; longer ones are refused.
constexpr size_t kPathLengthLimit = 260;

// folder joined with fileName, or "" when the name holds characters no path may hold (such as
// the CR that a table with CR LF line ends leaves at the end of its picture names): no file
// can exist there.
std::string PictureCandidate(const std::string& folder, std::string_view fileName) {
    try {
        return FullPath(folder, fileName);
    } catch (const PathError&) {
        return {};
    }
}

// The folders searched for a measuring picture, in order, without repeats.
std::vector<std::string> MeasurePictureFolders(std::string_view tableName) {
    std::vector<std::string> folders;
    const std::string pictures = RootFolderPath("MeasurePictures");
    for (std::string folder :
         {pictures, FullPath(pictures, tableName), RootFolderPath("MeasureTables")}) {
        if (std::find(folders.begin(), folders.end(), folder) == folders.end()) {
            folders.push_back(std::move(folder));
        }
    }
    return folders;
}

}  // namespace

struct ScanContext::Cache {
    bool tablesRead = false;
    std::vector<TableFile> tables;
    std::map<std::string, TableReference> references;  // by the exact name a macro wrote
    std::unordered_map<std::string, std::unordered_set<std::string>> folderFiles;
    std::unordered_map<std::string, PictureSearch> pictureSearches;  // by table name

    // Names (without extension) of the type 1 entries of the list being filled, kept up to date
    // as the list grows; a table reference appended while in step adds its names at once.
    const DirectoryParserList* indexedList = nullptr;
    size_t indexedCount = 0;
    std::unordered_set<std::string> tablePictureNames;
    std::unordered_set<const TableReference*> indexedReferences;

    const std::vector<TableFile>& Tables();
    const std::unordered_set<std::string>& FilesOf(const std::string& folder);
    const PictureSearch& PictureSearchOf(std::string_view tableName);
    bool ListsTablePicture(const DirectoryParserList& list, const std::string& name);
    void AppendReference(DirectoryParserList& list, const TableReference& reference);
    void SyncIndex(const DirectoryParserList& list);
};

const std::vector<TableFile>& ScanContext::Cache::Tables() {
    if (tablesRead)
        return tables;
    const std::string folder = RootPath("MeasureTables");
    for (const std::string& fileName : EachFile(folder)) {
        if (!HasMmtExtension(fileName))
            continue;
        TableFile table;
        table.fileName = fileName;
        const std::string path = PathJoin(folder, fileName);
        table.base = StripExtension(path, false);
        MmtData data;
        table.loaded = LoadMmt(data, path);
        table.lowerName = LowerCase(data.name);
        table.rowPictures = std::move(data.rowPictures);
        tables.push_back(std::move(table));
    }
    tablesRead = true;
    return tables;
}

const std::unordered_set<std::string>& ScanContext::Cache::FilesOf(const std::string& folder) {
    auto found = folderFiles.find(folder);
    if (found != folderFiles.end())
        return found->second;
    return folderFiles.emplace(folder, FileNamesIn(folder)).first->second;
}

const PictureSearch& ScanContext::Cache::PictureSearchOf(std::string_view tableName) {
    const std::string key(tableName);
    auto found = pictureSearches.find(key);
    if (found != pictureSearches.end())
        return found->second;
    PictureSearch search;
    for (const std::string& folder : MeasurePictureFolders(tableName))
        search.folders.push_back(FolderOf(FullPath(folder, "x")));
    for (size_t i = search.folders.size(); i-- > 0;) {
        for (const std::string& name : FilesOf(search.folders[i]))
            search.firstFolder[name] = i;
    }
    return pictureSearches.emplace(key, std::move(search)).first->second;
}

void ScanContext::Cache::SyncIndex(const DirectoryParserList& list) {
    if (indexedList != &list || indexedCount > list.entries.size()) {
        indexedList = &list;
        indexedCount = 0;
        tablePictureNames.clear();
        indexedReferences.clear();
    }
    for (; indexedCount < list.entries.size(); ++indexedCount) {
        const DirectoryParser& entry = list.entries[indexedCount];
        if (entry.type == MeasurePicture)
            tablePictureNames.insert(NameWithoutExtension(entry.path));
    }
}

bool ScanContext::Cache::ListsTablePicture(const DirectoryParserList& list,
                                           const std::string& name) {
    SyncIndex(list);
    return tablePictureNames.count(name) > 0;
}

void ScanContext::Cache::AppendReference(DirectoryParserList& list,
                                         const TableReference& reference) {
    SyncIndex(list);
    for (const std::string& fileName : reference.mmtFiles)
        list.mmtFiles.Append(fileName);
    list.entries.insert(list.entries.end(), reference.entries.begin(), reference.entries.end());
    if (indexedReferences.insert(&reference).second)
        tablePictureNames.insert(reference.pictureNames.begin(), reference.pictureNames.end());
    indexedCount = list.entries.size();
}

ScanContext::ScanContext(CurrentSelection selection)
    : selection_(std::move(selection)), cache_(std::make_unique<Cache>()) {}

ScanContext::~ScanContext() = default;

const CurrentSelection& ScanContext::Selection() const {
    return selection_;
}

namespace {

// The first search folder that holds fileName, answered from the folders' listings.
std::string FindInFolders(ScanContext::Cache& cache, const PictureSearch& search,
                          std::string_view fileName) {
    const std::string name(fileName);
    size_t first = 0;
    const bool plain = IsPlainName(name) && !search.folders[0].empty();
    if (plain) {
        const auto found = search.firstFolder.find(name);
        if (found == search.firstFolder.end())
            return {};
        first = found->second;
    }
    if (plain) {
        // A plain name on a normalised folder needs no normalisation, only the length rule.
        std::string candidate = search.folders[first] + kPathSeparator + name;
        if (candidate.size() < kPathLengthLimit)
            return candidate;
    }
    for (size_t i = first; i < search.folders.size(); ++i) {
        // A name with folders of its own is looked up in the folder it ends up in.
        std::string candidate = PictureCandidate(search.folders[i], name);
        if (!candidate.empty() && cache.FilesOf(FolderOf(candidate)).count(NameOf(candidate)) > 0)
            return candidate;
    }
    return {};
}

}  // namespace

std::string ScanContext::FindMeasurePicture(std::string_view fileName, std::string_view tableName) {
    return FindInFolders(TheCache(), TheCache().PictureSearchOf(tableName), fileName);
}

std::string FindMeasurePicture(std::string_view fileName, std::string_view tableName) {
    for (const std::string& folder : MeasurePictureFolders(tableName)) {
        std::string candidate = PictureCandidate(folder, fileName);
        if (!candidate.empty() && FileExists(candidate))
            return candidate;
    }
    return {};
}

namespace {

// The entries that the measure_table name t contributes, for the first time in this scan.
TableReference ResolveTable(const std::string& t, ScanContext& context) {
    TableReference reference;
    DirectoryParserList entries;
    const std::string lowerT = LowerCase(t);
    ScanContext::Cache& cache = context.TheCache();
    const PictureSearch* search = nullptr;  // only wanted once a table with rows matches
    for (const TableFile& table : cache.Tables()) {
        if (!table.loaded || table.lowerName != lowerT)
            continue;
        reference.mmtFiles.push_back(table.fileName);
        // The table file's own extension: on a case-sensitive file system "A.MMT" is not
        // found as "A.mmt".
        entries.AddEntry(table.base, ExtensionWithoutDot(table.fileName), MeasureTableFile, t);
        entries.AddSupportEntries(table.base, MeasureTableFile, t);
        for (const std::string& picture : table.rowPictures) {
            if (search == nullptr)
                search = &cache.PictureSearchOf(t);
            for (const char* extension : {"jpg", "txt"}) {
                std::string found = FindInFolders(cache, *search, picture + "." + extension);
                if (found.empty())
                    continue;
                reference.pictureNames.insert(NameWithoutExtension(found));
                entries.Append({true, std::move(found), MeasurePicture, t});
            }
        }
    }
    if (reference.mmtFiles.empty())
        entries.AddEntry(t, "mmt", MeasureTableFile, t);
    reference.entries = std::move(entries.entries);
    return reference;
}

}  // namespace

void AddMeasureTable(DirectoryParserList& list, const std::string& tableName,
                     ScanContext& context) {
    auto& references = context.TheCache().references;
    auto found = references.find(tableName);
    if (found == references.end()) {
        found = references.emplace(tableName, ResolveTable(tableName, context)).first;
    }
    context.TheCache().AppendReference(list, found->second);
}

void AddMeasureTable(DirectoryParserList& list, const std::string& tableName) {
    ScanContext context(CurrentSelectionSnapshot());
    AddMeasureTable(list, tableName, context);
}

namespace {

void ScanLine(DirectoryParserList& list, std::string_view line, ScanContext& context) {
    ScanContext::Cache& cache = context.TheCache();
    std::optional<std::string_view> name = PictureInputName(line);
    if (name && !name->empty() && !cache.ListsTablePicture(list, std::string(*name))) {
        const std::string base = RootCombine("MeasurePictures", *name);
        list.AddEntry(base, "txt", GarmentPicture, "");
        list.AddEntry(base, "jpg", GarmentPicture, "");
    }
    name = PictItemName(line);
    if (name && !Trim(*name).empty()) {
        const CurrentSelection& selection = context.Selection();
        const std::string path = RootPath("Designers") + kPathSeparator + selection.designer +
                                 kPathSeparator + selection.collection + kPathSeparator +
                                 std::string(*name);
        list.AddEntry(StripExtension(NormalizePath(path), false), "jpg", GarmentPicture, "");
    }
    name = MeasureTableName(line);
    if (name && !name->empty()) {
        AddMeasureTable(list, std::string(*name), context);
    }
}

}  // namespace

void ScanMacro(DirectoryParserList& list, const std::string& garmentPath, ScanContext& context) {
    list.AddEntry(StripExtension(garmentPath, false), "mac", GarmentFile, "");
    list.AddSupportEntries(garmentPath, GarmentFile, "");
    std::ifstream macro(garmentPath + ".mac", std::ios::binary);
    if (!macro)
        return;
    std::string line;
    while (ReadLine(macro, line))
        ScanLine(list, line, context);
}

void ScanMacro(DirectoryParserList& list, const std::string& garmentPath) {
    ScanContext context(CurrentSelectionSnapshot());
    ScanMacro(list, garmentPath, context);
}

ScanInputs MakeScanInputs(std::vector<std::string> garments, std::string boxCollection) {
    return {CurrentSelectionSnapshot(), std::move(garments), std::move(boxCollection)};
}

namespace {

std::string GarmentPath(const ScanInputs& inputs, const std::string& garment, bool useCachedNames) {
    const CurrentSelection& selection = inputs.selection;
    if (useCachedNames) {
        return RootPath("Designers") + kPathSeparator + selection.designer + kPathSeparator +
               selection.collection + kPathSeparator + garment;
    }
    const std::string& collection =
        inputs.boxCollection.empty() ? selection.collection : inputs.boxCollection;
    return FullPath(CollectionFolder(selection.designer, collection), garment);
}

}  // namespace

void ScanCollection(const KitbinderData& /*data*/, const ScanInputs& inputs,
                    DirectoryParserList& list, bool useCachedNames, ScanProgress* progress) {
    ScanContext context(inputs.selection);
    const CurrentSelection& selection = context.Selection();
    list.AddSupportEntries(FullPath(selection.designerFolder, selection.designer), DesignerFile,
                           "");
    list.AddSupportEntries(FullPath(selection.collectionFolder, selection.collection),
                           CollectionFile, "");
    for (const std::string& garment : inputs.garments) {
        const std::string path = GarmentPath(inputs, garment, useCachedNames);
        if (progress)
            progress->ScanningGarment(NameWithoutExtension(path));
        ScanMacro(list, path, context);
    }
    list.RemoveShadowedPictures();
    list.RemoveDuplicateMmtFiles();
}

}  // namespace kb
