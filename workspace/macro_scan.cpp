#include "workspace/macro_scan.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <mutex>
#include <optional>
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

// The folder of the selection's collection as built from its designer and collection names.
std::string NamedCollectionFolder(const CurrentSelection& selection) {
    return InFolder(InFolder(RootPath("Designers"), selection.designer), selection.collection);
}

// One ".mmt" file of MeasureTables as read by a scan. Its rows are read only when a macro names
// the table, so that a broken table nobody uses stops nothing.
struct TableFile {
    std::string fileName;  // name and extension as on disk, no folder
    std::string path;
    std::string lowerName;  // the name in its header line, in lower case
    std::string text;       // the whole file
    bool rowsRead = false;
    bool loaded = false;                     // the rows fit the format
    std::vector<std::string_view> pictures;  // of every row, views into text
};

// What a measure_table line with one exact name contributes.
struct TableReference {
    std::vector<DirectoryParser> entries;
    std::vector<std::string> mmtFiles;
    // Of its type 1 entries, without extension: views into the folder listings or into the
    // scan's own store of names.
    std::unordered_set<std::string_view> pictureNames;
    std::vector<RefusedName> refused;  // row pictures that lead outside
    // Every row picture was a plain name, so that all it found lies in the search folders.
    bool confined = true;
};

// A table reference kept by a ScanShare, with the picture names its views point into.
struct SharedReference {
    std::string stamps;  // of the tables and folders it was resolved from
    TableReference reference;
    std::vector<std::string> pictureNames;
};

// Where a search folder holds a name: the folder's place in the search, the name's index in
// its listing, and whether that is the folder's only name of its case-folded form (then the
// name is the answer whatever the case asked for, if it is a file).
struct FolderHit {
    std::uint8_t folder;
    bool sole;
    std::uint32_t name;
    bool operator==(const FolderHit&) const = default;
};

// By case-folded name without extension: the first search folder holding a name ending in
// ".jpg", and in ".txt", whatever its case (kNone when none). Open addressing over views into
// the listings' folded names: built once per table name, asked once per table row.
class FirstFolderIndex {
  public:
    static constexpr std::uint8_t kNone = UINT8_MAX;
    using Folders = std::array<FolderHit, 2>;

    explicit FirstFolderIndex(size_t names) {
        size_t capacity = 16;
        while (capacity < 2 * names)
            capacity *= 2;
        keys_.resize(capacity);
        hashes_.resize(capacity);
        values_.assign(capacity, kFree);
    }
    // The entry of key, made empty when new; key must outlive the index.
    Folders& At(std::string_view key) {
        const size_t hash = std::hash<std::string_view>{}(key);
        const size_t slot = SlotOf(key, hash);
        if (values_[slot] == kFree) {
            keys_[slot] = key;
            hashes_[slot] = hash;
            values_[slot] = {FolderHit{kNone, false, 0}, FolderHit{kNone, false, 0}};
        }
        return values_[slot];
    }
    const Folders* Find(std::string_view key) const {
        const size_t slot = SlotOf(key, std::hash<std::string_view>{}(key));
        return values_[slot] == kFree ? nullptr : &values_[slot];
    }

  private:
    static constexpr Folders kFree = {FolderHit{kNone - 1, false, 0},
                                      FolderHit{kNone - 1, false, 0}};
    size_t SlotOf(std::string_view key, size_t hash) const {
        const size_t mask = keys_.size() - 1;
        size_t slot = hash & mask;
        while (values_[slot] != kFree && (hashes_[slot] != hash || keys_[slot] != key))
            slot = (slot + 1) & mask;
        return slot;
    }
    std::vector<std::string_view> keys_;
    std::vector<size_t> hashes_;
    std::vector<Folders> values_;
};

// The folders searched for the pictures of one table name, in search order: as given (for
// names that hold folders of their own) and as listed (for plain names).
struct PictureSearch {
    static constexpr std::uint8_t kNone = FirstFolderIndex::kNone;
    std::vector<std::string> folders;
    std::vector<const FolderListing*> listings;
    FirstFolderIndex firstFolder{0};  // so that a table row costs one look-up
};

// The measuring picture and text extensions, and their index in PictureSearch::firstFolder.
constexpr std::string_view kPictureExtensions[2] = {".jpg", ".txt"};

std::string ExtensionWithoutDot(const std::string& fileName) {
    return fileName.substr(fileName.rfind('.') + 1);
}

bool HasMmtExtension(const std::string& fileName) {
    const size_t dot = fileName.rfind('.');
    return dot != std::string::npos && LowerCase(fileName.substr(dot)) == ".mmt";
}

// Normalised paths are shorter than this many characters; longer ones are refused.
constexpr size_t kPathLengthLimit = 260;

// folder joined with name, or "" when that is no path (characters no path may hold, such as
// the CR that a table with CR LF line ends leaves at the end of its picture names, or a path
// too long): no file or folder can exist there.
std::string CandidatePath(const std::string& folder, std::string_view name) {
    try {
        return FullPath(folder, name);
    } catch (const PathError&) {
        return {};
    }
}

// The folders searched for a measuring picture, in order: MeasurePictures, its sub-folder of
// the table's name (left out when the name cannot be a folder's), MeasureTables.
std::vector<std::string> MeasurePictureFolders(std::string_view tableName) {
    const std::string pictures = RootFolderPath("MeasurePictures");
    std::vector<std::string> folders = {pictures};
    // A table name that climbs out of MeasurePictures names no folder to search.
    if (std::string tableFolder = CandidatePath(pictures, tableName);
        !tableFolder.empty() && LiesBelow(tableFolder, NormalizePath(pictures)))
        folders.push_back(std::move(tableFolder));
    folders.push_back(RootFolderPath("MeasureTables"));
    return folders;
}

// Whether name, which holds folders of its own, stays below folder once joined onto it; a name
// that no path can hold stays nowhere and leads nowhere either.
bool LeadsOutside(const std::string& folder, std::string_view name) {
    const std::string candidate = CandidatePath(folder, name);
    return !candidate.empty() && !LiesBelow(candidate, NormalizePath(folder));
}

// A folder that macro lines name files in, normalised once, so that a plain name is joined onto
// it as text: NormalizePath would give the same path.
struct NameFolder {
    std::string given;
    std::string normal;  // "" when no path can hold the folder
    char separator = 0;  // what joins a plain name onto normal; 0: every name is normalised

    NameFolder(std::string folder, std::string normalForm)
        : given(std::move(folder)), normal(std::move(normalForm)) {
        // A root, or a path kept as it is, joins otherwise; the probe tells which separator
        // normalising puts between the folder and a name.
        if (normal.empty() || normal.back() == '/' || normal.back() == '\\' ||
            given.starts_with("\\\\?\\"))
            return;
        try {
            const std::string probe = NormalizePath(given + kPathSeparator + "x");
            for (const char c : {'/', '\\'}) {
                if (probe == normal + c + "x")
                    separator = c;
            }
        } catch (const PathError&) {
        }
    }
    // NormalizePath(given + separator + name) for a plain name, "" for any other name or a path
    // too long: those take the general way.
    std::string JoinPlain(std::string_view name) const {
        if (separator == 0 || !IsPlainName(name) ||
            normal.size() + 1 + name.size() >= kPathLengthLimit)
            return {};
        std::string path;
        path.reserve(normal.size() + 1 + name.size());
        path.append(normal).push_back(separator);
        path.append(name);
        return path;
    }
};

}  // namespace

// When files and folders were last written (and a file's size), as one text, with the latest
// of those times.
struct ScanContext::Stamps {
    std::string text;
    std::filesystem::file_time_type latest = std::filesystem::file_time_type::min();

    void Add(const std::string& path) {
        std::error_code error;
        const auto time = std::filesystem::last_write_time(FsPath(path), error);
        if (error) {
            text += "-;";
            return;
        }
        latest = std::max(latest, time);
        const auto size = std::filesystem::file_size(FsPath(path), error);
        text += path + "|" + std::to_string(time.time_since_epoch().count()) + "/" +
                std::to_string(error ? 0 : size) + ";";
    }
    // The folder that path names, as listed; "-" when there is none.
    void AddFolder(FolderListings& names, const std::string& path) {
        const FolderListing* folder = names.Folder(path);
        if (folder == nullptr)
            text += "-;";
        else
            Add(folder->Path());
    }
    // Whether every time is older than a write could be and still carry the same time: a file
    // system's clock ticks in steps (up to two seconds), so a file written in the same step as
    // its stamp was taken may change without changing its stamp.
    bool Settled() const {
        return latest < std::filesystem::file_time_type::clock::now() - std::chrono::seconds(2);
    }
};

struct ScanContext::Cache {
    FolderListings names{WorkspaceRoot(false)};
    // The folders that macro lines name files in, and that those names must stay below.
    NameFolder measurePictures{RootPath("MeasurePictures"),
                               NormalizePath(RootPath("MeasurePictures"))};
    // root + Designers/designer/collection/, plain concatenation
    NameFolder collectionFolder{{}, {}};
    bool tablesRead = false;
    std::vector<TableFile> tables;
    // By the exact name a macro wrote: the table files it matched, once its entries are in the
    // list being filled.
    std::unordered_map<std::string, std::vector<std::string>> referenced;
    std::unordered_map<std::string, PictureSearch> pictureSearches;  // by table name

    // Names (without extension) of the type 1 entries of the list being filled, kept up to date
    // as the list grows: those of other entries here, those of table references below.
    const DirectoryParserList* indexedList = nullptr;
    size_t indexedCount = 0;
    std::unordered_set<std::string> tablePictureNames;
    // The picture names of the table references in the list, each set kept whole: merging
    // them into one would rehash all the time.
    std::vector<std::unordered_set<std::string_view>> referencePictureNames;
    // Picture names that no listing holds as they are, for the views above.
    std::deque<std::string> ownedPictureNames;
    // ListsTablePicture's answers since the last type 1 entry came into the list.
    std::unordered_map<std::string, bool> pictureAnswers;

    // The stamps of MeasureTables and of its tables, taken once per scan.
    std::optional<Stamps> tableStamps;
    // The shared references this scan used: the views of its index point into them.
    std::vector<std::shared_ptr<const SharedReference>> sharedUsed;

    std::vector<TableFile>& Tables();
    const Stamps& TableStamps();
    Stamps ReferenceStamps(std::string_view tableName);
    const PictureSearch& PictureSearchOf(std::string_view tableName);
    bool ListsTablePicture(const DirectoryParserList& list, const std::string& name);
    void AppendReference(DirectoryParserList& list, TableReference reference);
    void SyncIndex(const DirectoryParserList& list);
};

// Every ".mmt" file of MeasureTables that has a header line, read whole.
std::vector<TableFile>& ScanContext::Cache::Tables() {
    if (tablesRead)
        return tables;
    tablesRead = true;
    const FolderListing* folder = names.Folder(RootPath("MeasureTables"));
    if (folder == nullptr)
        return tables;
    for (size_t i = 0; i < folder->Names().size(); ++i) {
        const std::string& fileName = folder->Names()[i];
        if (!HasMmtExtension(fileName) || !folder->IsFile(i))
            continue;
        TableFile table;
        table.fileName = fileName;
        table.path = PathJoin(folder->Path(), fileName);
        table.text = ReadTextFile(table.path);
        const std::optional<MmtHeader> header = ReadMmtHeader(table.text);
        if (!header)
            continue;
        table.lowerName = LowerCase(header->name);
        tables.push_back(std::move(table));
    }
    return tables;
}

const ScanContext::Stamps& ScanContext::Cache::TableStamps() {
    if (tableStamps)
        return *tableStamps;
    const std::string tablesPath = RootPath("MeasureTables");
    Stamps stamps;
    stamps.Add(WorkspaceRoot(false));
    stamps.AddFolder(names, tablesPath);
    if (const FolderListing* folder = names.Folder(tablesPath)) {
        for (const std::string& fileName : folder->Names()) {
            if (HasMmtExtension(fileName))
                stamps.Add(PathJoin(folder->Path(), fileName));
        }
    }
    return tableStamps.emplace(std::move(stamps));
}

// What the entries of a plain table name depend on: the tables, and the folders searched for
// their pictures (the table's own picture folder found in MeasurePictures' listing, so that it
// is not listed itself).
ScanContext::Stamps ScanContext::Cache::ReferenceStamps(std::string_view tableName) {
    const std::string pictures = RootPath("MeasurePictures");
    Stamps stamps = TableStamps();
    stamps.AddFolder(names, pictures);
    const FolderListing* folder = names.Folder(pictures);
    const std::string* own = folder == nullptr ? nullptr : folder->Find(tableName, true);
    if (own == nullptr)
        stamps.text += "-;";
    else
        stamps.Add(InFolder(folder->Path(), *own));
    return stamps;
}

// Reads the rows of a table once; a value that is no number raises MmtValueError.
void ReadRows(TableFile& table) {
    if (table.rowsRead)
        return;
    table.loaded =
        ReadMmtRows(table.text, *ReadMmtHeader(table.text), table.path,
                    [&table](const MmtRow& row) { table.pictures.push_back(row.picture); });
    table.rowsRead = true;
}

namespace {

void IndexPictures(PictureSearch& search) {
    std::string extensions[2];
    for (size_t e = 0; e < 2; ++e)
        extensions[e] = FoldNameCase(kPictureExtensions[e]);
    size_t count = 0;
    for (const FolderListing* listing : search.listings)
        count += listing == nullptr ? 0 : listing->Names().size();
    search.firstFolder = FirstFolderIndex(count);
    for (size_t i = search.listings.size(); i-- > 0;) {
        const FolderListing* listing = search.listings[i];
        if (listing == nullptr)
            continue;
        for (size_t n = 0; n < listing->Names().size(); ++n) {
            const std::string_view folded = listing->FoldedName(n);
            if (folded.size() < 4)
                continue;
            const std::string_view base = folded.substr(0, folded.size() - 4);
            for (size_t e = 0; e < 2; ++e) {
                if (!folded.ends_with(extensions[e]))
                    continue;
                FolderHit& hit = search.firstFolder.At(base)[e];
                // Folders are indexed last to first, so the first folder's names win.
                if (hit.folder == i)
                    hit.sole = false;
                else
                    hit = {static_cast<std::uint8_t>(i), true, static_cast<std::uint32_t>(n)};
            }
        }
    }
}

}  // namespace

const PictureSearch& ScanContext::Cache::PictureSearchOf(std::string_view tableName) {
    const std::string key(tableName);
    auto found = pictureSearches.find(key);
    if (found != pictureSearches.end())
        return found->second;
    PictureSearch search;
    for (std::string& folder : MeasurePictureFolders(tableName)) {
        const FolderListing* listing = names.Folder(folder);
        // A folder met before (the same name in another case) is searched once.
        if (listing != nullptr && std::find(search.listings.begin(), search.listings.end(),
                                            listing) != search.listings.end()) {
            continue;
        }
        search.listings.push_back(listing);
        search.folders.push_back(std::move(folder));
    }
    IndexPictures(search);
    return pictureSearches.emplace(key, std::move(search)).first->second;
}

void ScanContext::Cache::SyncIndex(const DirectoryParserList& list) {
    if (indexedList != &list || indexedCount > list.entries.size()) {
        indexedList = &list;
        indexedCount = 0;
        tablePictureNames.clear();
        referencePictureNames.clear();
        referenced.clear();
        pictureAnswers.clear();
    }
    for (; indexedCount < list.entries.size(); ++indexedCount) {
        const DirectoryParser& entry = list.entries[indexedCount];
        if (entry.type == MeasurePicture) {
            tablePictureNames.insert(NameWithoutExtension(entry.path));
            pictureAnswers.clear();
        }
    }
}

bool ScanContext::Cache::ListsTablePicture(const DirectoryParserList& list,
                                           const std::string& name) {
    SyncIndex(list);
    const auto [answer, unknown] = pictureAnswers.try_emplace(name, false);
    if (unknown) {
        answer->second = tablePictureNames.count(name) > 0 ||
                         std::any_of(referencePictureNames.begin(), referencePictureNames.end(),
                                     [&name](const auto& names) {
                                         return names.count(std::string_view(name)) > 0;
                                     });
    }
    return answer->second;
}

void ScanContext::Cache::AppendReference(DirectoryParserList& list, TableReference reference) {
    SyncIndex(list);
    for (const std::string& fileName : reference.mmtFiles)
        list.mmtFiles.Append(fileName);
    list.entries.insert(list.entries.end(), std::make_move_iterator(reference.entries.begin()),
                        std::make_move_iterator(reference.entries.end()));
    list.refused.insert(list.refused.end(), std::make_move_iterator(reference.refused.begin()),
                        std::make_move_iterator(reference.refused.end()));
    if (!reference.pictureNames.empty()) {
        referencePictureNames.push_back(std::move(reference.pictureNames));
        pictureAnswers.clear();
    }
    indexedCount = list.entries.size();
}

ScanContext::ScanContext(CurrentSelection selection, std::shared_ptr<ScanShare> share)
    : selection_(std::move(selection)),
      cache_(std::make_unique<Cache>()),
      share_(std::move(share)) {
    std::string normal;
    // A collection folder no path can hold leaves no name of a macro line below it.
    try {
        normal = NormalizePath(NamedCollectionFolder(selection_));
    } catch (const PathError&) {
    }
    cache_->collectionFolder =
        NameFolder(NamedCollectionFolder(selection_) + kPathSeparator, std::move(normal));
}

ScanContext::~ScanContext() = default;

const CurrentSelection& ScanContext::Selection() const {
    return selection_;
}

FolderListings& ScanContext::Names() {
    return cache_->names;
}

namespace {

// The first search folder from folder first on that holds fileName, whatever its case, as the
// path on disk.
std::string FindInFolders(FolderListings& names, const PictureSearch& search,
                          std::string_view fileName, size_t first = 0) {
    const bool plain = IsPlainName(fileName);
    for (size_t i = first; i < search.folders.size(); ++i) {
        if (!plain) {
            // A name with folders of its own is looked up where it ends up, never outside.
            if (LeadsOutside(search.folders[i], fileName))
                continue;
            const std::string candidate = CandidatePath(search.folders[i], fileName);
            std::string found = candidate.empty() ? std::string() : names.FindFile(candidate);
            if (!found.empty())
                return found;
            continue;
        }
        const FolderListing* listing = search.listings[i];
        const std::string* name = listing == nullptr ? nullptr : listing->Find(fileName, false);
        if (name == nullptr)
            continue;
        std::string found = InFolder(listing->Path(), *name);
        if (found.size() < kPathLengthLimit)
            return found;
    }
    return {};
}

}  // namespace

std::string ScanContext::FindMeasurePicture(std::string_view fileName, std::string_view tableName) {
    return FindInFolders(Names(), TheCache().PictureSearchOf(tableName), fileName);
}

std::string FindMeasurePicture(std::string_view fileName, std::string_view tableName) {
    ScanContext context(CurrentSelectionSnapshot());
    return context.FindMeasurePicture(fileName, tableName);
}

namespace {

// Buffers reused from table row to table row.
struct RowBuffers {
    std::string fileName;
    std::string folded;
};

// A picture or text found for a table row: its path, and its name without extension.
struct FoundPicture {
    std::string path;
    std::string_view name;
};

// The hit's name as the path found, when it answers alone: the folder's only name of its
// folded form, a file, in a path short enough. Otherwise nothing.
std::optional<FoundPicture> SoleHit(const PictureSearch& search, const FolderHit& hit) {
    const FolderListing* listing = search.listings[hit.folder];
    if (!hit.sole || !listing->IsFile(hit.name))
        return std::nullopt;
    const std::string& name = listing->Names()[hit.name];
    // Its name without extension ends where the folded one does (not so for a name whose
    // letters fold to other lengths).
    if (name.rfind('.') + 4 != name.size())
        return std::nullopt;
    std::string path = InFolder(listing->Path(), name);
    if (path.size() >= kPathLengthLimit)
        return std::nullopt;
    return FoundPicture{std::move(path), std::string_view(name).substr(0, name.size() - 4)};
}

// The picture and the text of a table row, each found as FindInFolders would (empty paths when
// not), with one look-up in the folders' index for a plain name.
// plain tells whether the picture holds no path characters.
std::array<FoundPicture, 2> FindTablePictures(FolderListings& names, const PictureSearch& search,
                                              std::string_view picture, bool plain,
                                              RowBuffers& buffers,
                                              std::deque<std::string>& ownedNames) {
    std::array<FoundPicture, 2> found;
    // With its extension a plain name is never empty, "." or "..".
    const FirstFolderIndex::Folders* first = nullptr;
    if (plain) {
        FoldNameCase(picture, buffers.folded);
        first = search.firstFolder.Find(buffers.folded);
        if (first == nullptr)
            return found;
    }
    for (size_t e = 0; e < 2; ++e) {
        if (plain && (*first)[e].folder == PictureSearch::kNone)
            continue;
        if (plain) {
            if (std::optional<FoundPicture> sole = SoleHit(search, (*first)[e])) {
                found[e] = std::move(*sole);
                continue;
            }
        }
        buffers.fileName.assign(picture).append(kPictureExtensions[e]);
        found[e].path =
            FindInFolders(names, search, buffers.fileName, plain ? (*first)[e].folder : 0);
        if (!found[e].path.empty())
            found[e].name = ownedNames.emplace_back(NameWithoutExtension(found[e].path));
    }
    return found;
}

// The first search folder that the row picture, which holds path characters, leads out of;
// nullptr when it stays in all.
const std::string* FolderLeft(const PictureSearch& search, std::string_view picture,
                              RowBuffers& buffers) {
    buffers.fileName.assign(picture).append(kPictureExtensions[0]);
    for (const std::string& folder : search.folders) {
        if (LeadsOutside(folder, buffers.fileName))
            return &folder;
    }
    return nullptr;
}

// The line of the table's text that holds the row picture (a view into that text), from 1.
int LineOf(const TableFile& table, std::string_view picture) {
    const auto at = static_cast<size_t>(picture.data() - table.text.data());
    return 1 + static_cast<int>(std::count(table.text.begin(), table.text.begin() + at, '\n'));
}

// The entries that the measure_table name t contributes, for the first time in this scan.
TableReference ResolveTable(const std::string& t, ScanContext& context) {
    TableReference reference;
    DirectoryParserList entries;
    const std::string lowerT = LowerCase(t);
    ScanContext::Cache& cache = context.TheCache();
    FolderListings& names = context.Names();
    const PictureSearch* search = nullptr;  // only wanted once a table with rows matches
    RowBuffers buffers;
    for (TableFile& table : cache.Tables()) {
        if (table.lowerName != lowerT)
            continue;
        ReadRows(table);
        if (!table.loaded)
            continue;
        reference.mmtFiles.push_back(table.fileName);
        // The table file's own extension: on a case-sensitive file system "A.MMT" is not
        // found as "A.mmt".
        const std::string base = StripExtension(table.path, false);
        entries.AddEntry(base, ExtensionWithoutDot(table.fileName), MeasureTableFile, t, names);
        entries.AddSupportEntries(base, MeasureTableFile, t, names);
        for (const std::string_view picture : table.pictures) {
            if (search == nullptr)
                search = &cache.PictureSearchOf(t);
            const bool plain = !HasPathCharacters(picture);
            const std::string* left = plain ? nullptr : FolderLeft(*search, picture, buffers);
            if (left != nullptr) {
                reference.refused.push_back({table.path, LineOf(table, picture),
                                             std::string(picture),
                                             "the picture name leads outside the folder \"" +
                                                 *left + "\"; it was not looked up",
                                             t, true});
                reference.confined = false;
                continue;
            }
            reference.confined = reference.confined && plain;
            for (FoundPicture& found : FindTablePictures(names, *search, picture, plain, buffers,
                                                         cache.ownedPictureNames)) {
                if (found.path.empty())
                    continue;
                reference.pictureNames.insert(found.name);
                entries.Append({true, std::move(found.path), MeasurePicture, t});
            }
        }
    }
    // No table has the name: it is listed missing under its name alone. It is not looked up as
    // a path, which would find a file of that name wherever the name leads, outside the
    // workspace too ("/tmp/x", "../../x"), or in the program's working folder.
    if (reference.mmtFiles.empty())
        entries.Append({false, t + ".mmt", MeasureTableFile, t});
    reference.entries = std::move(entries.entries);
    return reference;
}

}  // namespace

class ScanShare {
  public:
    // The reference kept for tableName, if it was resolved from what stamps describe.
    std::shared_ptr<const SharedReference> Find(const std::string& tableName,
                                                const std::string& stamps) {
        const std::lock_guard<std::mutex> lock(mutex_);
        const auto found = references_.find(tableName);
        if (found == references_.end() || found->second->stamps != stamps)
            return nullptr;
        return found->second;
    }
    void Keep(const std::string& tableName, std::shared_ptr<const SharedReference> reference) {
        const std::lock_guard<std::mutex> lock(mutex_);
        references_[tableName] = std::move(reference);
    }

  private:
    std::mutex mutex_;
    std::unordered_map<std::string, std::shared_ptr<const SharedReference>> references_;
};

std::shared_ptr<ScanShare> MakeScanShare() {
    return std::make_shared<ScanShare>();
}

namespace {

// A copy of the shared reference for this scan; its picture names view the share's.
TableReference CopyShared(std::shared_ptr<const SharedReference> shared,
                          ScanContext::Cache& cache) {
    TableReference copy = shared->reference;
    cache.sharedUsed.push_back(std::move(shared));
    return copy;
}

// The entries of tableName from the run's share while the tables and folders they come from are
// unchanged; otherwise resolved, and kept there when they lie in those folders alone.
TableReference SharedOrResolved(const std::string& tableName, ScanContext& context) {
    ScanShare* share = context.Share();
    ScanContext::Cache& cache = context.TheCache();
    if (share == nullptr || !IsPlainName(tableName))
        return ResolveTable(tableName, context);
    ScanContext::Stamps stamps = cache.ReferenceStamps(tableName);
    if (auto shared = share->Find(tableName, stamps.text))
        return CopyShared(std::move(shared), cache);
    TableReference reference = ResolveTable(tableName, context);
    if (!reference.confined || !stamps.Settled())
        return reference;
    auto kept = std::make_shared<SharedReference>();
    kept->stamps = std::move(stamps.text);
    kept->reference = reference;
    kept->reference.pictureNames.clear();
    kept->pictureNames.assign(reference.pictureNames.begin(), reference.pictureNames.end());
    for (const std::string& name : kept->pictureNames)
        kept->reference.pictureNames.insert(name);
    share->Keep(tableName, kept);
    cache.sharedUsed.push_back(std::move(kept));
    return reference;
}

}  // namespace

// A name met before in this list adds only its table file names: its entries would all be
// duplicates.
void AddMeasureTable(DirectoryParserList& list, const std::string& tableName,
                     ScanContext& context) {
    ScanContext::Cache& cache = context.TheCache();
    cache.SyncIndex(list);
    if (const auto found = cache.referenced.find(tableName); found != cache.referenced.end()) {
        for (const std::string& fileName : found->second)
            list.mmtFiles.Append(fileName);
        return;
    }
    TableReference reference = SharedOrResolved(tableName, context);
    std::vector<std::string> mmtFiles = reference.mmtFiles;
    cache.AppendReference(list, std::move(reference));
    cache.referenced.emplace(tableName, std::move(mmtFiles));
}

void AddMeasureTable(DirectoryParserList& list, const std::string& tableName) {
    ScanContext context(CurrentSelectionSnapshot());
    AddMeasureTable(list, tableName, context);
}

namespace {

// StripExtension(path, false) of a normalised path, cut as text when that leaves a plain name.
std::string StripNormalizedExtension(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    const size_t nameAt = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < nameAt)
        return nameAt < path.size() ? path : StripExtension(path, false);
    const std::string_view stem = std::string_view(path).substr(nameAt, dot - nameAt);
    if (stem.empty() || stem == "." || stem == "..")
        return StripExtension(path, false);
    return path.substr(0, dot);
}

// Where a macro line is: the macro's path and the line's number.
struct MacroLine {
    const std::string& macro;
    int number;
};

// The path that make builds from a name the line gives, when it lies below folder; otherwise ""
// with the name recorded as refused: it leads outside, or no path can hold it (characters no
// path holds, too long).
template <typename Make>
std::string ConfinedPath(DirectoryParserList& list, const MacroLine& where, std::string_view name,
                         const std::string& folder, Make make) {
    std::string reason;
    bool outside = true;
    try {
        std::string path = make();
        if (LiesBelow(path, folder))
            return path;
        reason = "the picture name leads outside the folder \"" + folder + "\"";
    } catch (const PathError& error) {
        reason = "the picture name cannot be used: " + std::string(error.what());
        outside = false;
    }
    list.refused.push_back({where.macro, where.number, std::string(name),
                            reason + "; it was not looked up", "", outside});
    return {};
}

void ScanLine(DirectoryParserList& list, std::string_view line, const MacroLine& where,
              ScanContext& context) {
    // Most lines name nothing: both picture keywords start with "add_pict".
    const bool pictures = line.find("add_pict") != std::string_view::npos;
    if (!pictures && line.find("measure_table(\"") == std::string_view::npos)
        return;
    ScanContext::Cache& cache = context.TheCache();
    std::optional<std::string_view> name;
    if (pictures)
        name = PictureInputName(line);
    if (name && !name->empty() && !cache.ListsTablePicture(list, std::string(*name))) {
        std::string base = cache.measurePictures.JoinPlain(*name);
        if (base.empty()) {
            base = ConfinedPath(list, where, *name, cache.measurePictures.normal,
                                [&] { return FullPath(cache.measurePictures.given, *name); });
        }
        if (!base.empty()) {
            list.AddEntry(base, "txt", GarmentPicture, "", context.Names());
            list.AddEntry(base, "jpg", GarmentPicture, "", context.Names());
        }
    }
    name = pictures ? PictItemName(line) : std::nullopt;
    if (name && !Trim(*name).empty()) {
        const NameFolder& folder = cache.collectionFolder;
        const std::string joined = folder.JoinPlain(*name);
        std::string base = joined.empty() ? joined : StripNormalizedExtension(joined);
        // Names such as ".jpg" strip to no name: the general way refuses them.
        if (base.empty() || !LiesBelow(base, folder.normal))
            base = ConfinedPath(list, where, *name, folder.normal, [&] {
                return StripNormalizedExtension(NormalizePath(folder.given + std::string(*name)));
            });
        if (!base.empty())
            list.AddEntry(base, "jpg", GarmentPicture, "", context.Names());
    }
    name = MeasureTableName(line);
    if (name && !name->empty()) {
        AddMeasureTable(list, std::string(*name), context);
    }
}

// The base of a garment's macro entry: the garment path without its own extension ("Coat.long"
// lists "Coat.mac"), unless nothing of the name would be left (".at", "..", from the macros
// ".at.mac" and "...mac"): then the path itself, which stays in the collection folder.
std::string MacroEntryBase(const std::string& garmentPath) {
    const std::string stem = StripExtension(NameOf(garmentPath), true);
    if (stem.empty() || stem == "." || stem == "..")
        return garmentPath;
    return StripExtension(garmentPath, false);
}

}  // namespace

void ScanMacro(DirectoryParserList& list, const std::string& garmentPath, ScanContext& context) {
    list.AddEntry(MacroEntryBase(garmentPath), "mac", GarmentFile, "", context.Names());
    list.AddSupportEntries(garmentPath, GarmentFile, "", context.Names());
    const std::string macroPath = context.Names().FindFile(garmentPath + ".mac");
    if (macroPath.empty())
        return;
    // A macro that cannot be read, or is no regular file, raises FileError naming it: its
    // pictures and tables would go unchecked.
    const std::string text = ReadTextFile(macroPath);
    const std::string_view rest = text;
    int number = 0;
    // Lines end at LF, a CR before it is no part of the line; a last line may lack its LF.
    for (size_t start = 0; start < rest.size();) {
        size_t end = rest.find('\n', start);
        if (end == std::string_view::npos)
            end = rest.size();
        std::string_view line = rest.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        ScanLine(list, line, {macroPath, ++number}, context);
        start = end + 1;
    }
}

void ScanMacro(DirectoryParserList& list, const std::string& garmentPath) {
    ScanContext context(CurrentSelectionSnapshot());
    ScanMacro(list, garmentPath, context);
}

ScanInputs MakeScanInputs(std::vector<std::string> garments, std::string boxCollection) {
    // One share for the whole run of the program.
    static const std::shared_ptr<ScanShare> share = MakeScanShare();
    return {CurrentSelectionSnapshot(), std::move(garments), std::move(boxCollection), share};
}

namespace {

std::string GarmentPath(const ScanInputs& inputs, const std::string& garment, bool useCachedNames) {
    const CurrentSelection& selection = inputs.selection;
    if (useCachedNames) {
        return InFolder(NamedCollectionFolder(selection), garment);
    }
    const std::string& collection =
        inputs.boxCollection.empty() ? selection.collection : inputs.boxCollection;
    // The garment is a file name of the collection folder: joined as it is, so that "." or ".."
    // (from the macros "..mac" and "...mac") never lead out of it.
    return InFolder(NormalizePath(CollectionFolder(selection.designer, collection)), garment);
}

}  // namespace

void ScanCollection(const ScanInputs& inputs, DirectoryParserList& list, bool useCachedNames,
                    ScanProgress* progress) {
    ScanContext context(inputs.selection, inputs.share);
    const CurrentSelection& selection = context.Selection();
    list.AddSupportEntries(FullPath(selection.designerFolder, selection.designer), DesignerFile, "",
                           context.Names());
    list.AddSupportEntries(FullPath(selection.collectionFolder, selection.collection),
                           CollectionFile, "", context.Names());
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
