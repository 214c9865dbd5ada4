#include "workspace/macro_scan.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <unordered_map>
#include <unordered_set>

#include "foundation/each_file.h"
#include "foundation/errors.h"
#include "foundation/files.h"
#include "foundation/paths.h"
#include "foundation/regular_exp.h"
#include "foundation/text.h"
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
};

std::string ExtensionWithoutDot(const std::string& fileName) {
    return fileName.substr(fileName.rfind('.') + 1);
}

bool HasMmtExtension(const std::string& fileName) {
    const size_t dot = fileName.rfind('.');
    return dot != std::string::npos && LowerCase(fileName.substr(dot)) == ".mmt";
}

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
    // The three macro line patterns, plain mode, each capture is group 1.
    RegularExp pictureInput{".*add_picture_input.*,.*,.*[\"](.*)[\"].*"};
    RegularExp pictItem{".*add_pict_item.*,.*[\"](.*)[\"].*"};
    RegularExp measureTable{".*measure_table[(][\"](.*)[\"].*"};

    bool tablesRead = false;
    std::vector<TableFile> tables;
    std::map<std::string, TableReference> references;  // by the exact name a macro wrote
    std::unordered_map<std::string, std::unordered_set<std::string>> folderFiles;

    // Names (without extension) of the type 1 entries of the list being filled, kept up to date
    // incrementally as the list grows.
    const DirectoryParserList* indexedList = nullptr;
    size_t indexedCount = 0;
    std::unordered_set<std::string> tablePictureNames;

    const std::vector<TableFile>& Tables();
    const std::unordered_set<std::string>& FilesOf(const std::string& folder);
    bool ListsTablePicture(const DirectoryParserList& list, const std::string& name);
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
    const EachFile listing(folder);
    return folderFiles
        .emplace(folder, std::unordered_set<std::string>(listing.begin(), listing.end()))
        .first->second;
}

bool ScanContext::Cache::ListsTablePicture(const DirectoryParserList& list,
                                           const std::string& name) {
    if (indexedList != &list || indexedCount > list.entries.size()) {
        indexedList = &list;
        indexedCount = 0;
        tablePictureNames.clear();
    }
    for (; indexedCount < list.entries.size(); ++indexedCount) {
        const DirectoryParser& entry = list.entries[indexedCount];
        if (entry.type == MeasurePicture)
            tablePictureNames.insert(NameWithoutExtension(entry.path));
    }
    return tablePictureNames.count(name) > 0;
}

ScanContext::ScanContext(CurrentSelection selection)
    : selection_(std::move(selection)), cache_(std::make_unique<Cache>()) {}

ScanContext::~ScanContext() = default;

const CurrentSelection& ScanContext::Selection() const {
    return selection_;
}

std::string ScanContext::FindMeasurePicture(std::string_view fileName, std::string_view tableName) {
    for (const std::string& folder : MeasurePictureFolders(tableName)) {
        std::string candidate = PictureCandidate(folder, fileName);
        if (candidate.empty())
            continue;
        // Answered from a listing of the candidate's folder, taken once per scan.
        const bool listed = TheCache().FilesOf(FolderOf(candidate)).count(NameOf(candidate)) > 0;
        if (listed)
            return candidate;
    }
    return {};
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
    for (const TableFile& table : context.TheCache().Tables()) {
        if (!table.loaded || table.lowerName != lowerT)
            continue;
        reference.mmtFiles.push_back(table.fileName);
        // The table file's own extension: on a case-sensitive file system "A.MMT" is not
        // found as "A.mmt".
        entries.AddEntry(table.base, ExtensionWithoutDot(table.fileName), MeasureTableFile, t);
        entries.AddSupportEntries(table.base, MeasureTableFile, t);
        for (const std::string& picture : table.rowPictures) {
            for (const char* extension : {"jpg", "txt"}) {
                std::string found = context.FindMeasurePicture(picture + "." + extension, t);
                if (!found.empty())
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
    for (const std::string& fileName : found->second.mmtFiles)
        list.mmtFiles.Append(fileName);
    list.entries.insert(list.entries.end(), found->second.entries.begin(),
                        found->second.entries.end());
}

void AddMeasureTable(DirectoryParserList& list, const std::string& tableName) {
    ScanContext context(CurrentSelectionSnapshot());
    AddMeasureTable(list, tableName, context);
}

namespace {

// The capture of pattern on line, when the line can match at all (it holds keyword).
bool Capture(RegularExp& pattern, std::string_view keyword, std::string_view line,
             std::string_view& capture) {
    if (line.find(keyword) == std::string_view::npos || !pattern.Find(line, false))
        return false;
    capture = pattern.GroupView(1);
    return true;
}

void ScanLine(DirectoryParserList& list, std::string_view line, ScanContext& context) {
    ScanContext::Cache& cache = context.TheCache();
    std::string_view name;
    if (Capture(cache.pictureInput, "add_picture_input", line, name) && !name.empty() &&
        !cache.ListsTablePicture(list, std::string(name))) {
        const std::string base = RootCombine("MeasurePictures", name);
        list.AddEntry(base, "txt", GarmentPicture, "");
        list.AddEntry(base, "jpg", GarmentPicture, "");
    }
    if (Capture(cache.pictItem, "add_pict_item", line, name) && !Trim(name).empty()) {
        const CurrentSelection& selection = context.Selection();
        const std::string path = RootPath("Designers") + kPathSeparator + selection.designer +
                                 kPathSeparator + selection.collection + kPathSeparator +
                                 std::string(name);
        list.AddEntry(StripExtension(NormalizePath(path), false), "jpg", GarmentPicture, "");
    }
    if (Capture(cache.measureTable, "measure_table(\"", line, name) && !name.empty()) {
        AddMeasureTable(list, std::string(name), context);
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
