#pragma once
// The support-file list that the macro scan fills: every file a collection needs, found or not,
// with its entry type and the measurement table it belongs to.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/each_file.h"
#include "foundation/string_list.h"
#include "workspace/current_selection.h"

namespace kb {

// Entry type codes; they decide the installed folder of an entry.
enum EntryType : std::uint32_t {
    MeasureTableFile = 0,  // a measurement table ".mmt" named by a macro, and its support files
    MeasurePicture = 1,    // a measuring picture or text named by a table row
    DesignerFile = 2,      // a support file of the active designer
    CollectionFile = 3,    // a support file of the active collection
    GarmentFile = 4,       // a garment macro or one of its support files
    GarmentPicture = 5,    // a picture or text that a macro line names
    NoInstall = 6,         // not produced by the scan
};

struct DirectoryParser {
    bool exists = false;  // whether the file existed when the entry was added
    std::string path;     // base + "." + extension
    std::uint32_t type = NoInstall;
    std::string tableName;  // types 0 and 1: the table the entry belongs to; "" otherwise
};

// A name that a macro line or a table row gives but that the scan did not look up: it leads
// outside the folder it is read against, or no path can hold it.
struct RefusedName {
    std::string file;       // the macro or table file that holds it
    int line = 0;           // its line in that file, from 1
    std::string name;       // as written
    std::string reason;     // why it was not looked up
    std::string tableName;  // a table row's: the table's inner name; "" for a macro line
    bool outside = true;    // the name leads outside; otherwise no path can hold it
};

// The refused name as the user is told it: "Coat.mac line 3: "../x.jpg": <reason>".
std::string RefusedText(const RefusedName& refused);

class DirectoryParserList {
  public:
    std::vector<DirectoryParser> entries;  // in the order added
    StringList mmtFiles;                   // file names (with extension) of the matched tables
    std::vector<RefusedName> refused;      // in the order met; never entries

    // Appends base + "." + extension, with exists tested now. Duplicates are allowed.
    void AddEntry(std::string_view base, std::string_view extension, std::uint32_t type,
                  std::string_view tableName);
    // AddEntry once per support extension, in list order.
    void AddSupportEntries(std::string_view base, std::uint32_t type, std::string_view tableName);
    // The same with the file looked up in names, whatever the case of its names: a found entry's
    // path carries the names as they are on disk.
    void AddEntry(std::string_view base, std::string_view extension, std::uint32_t type,
                  std::string_view tableName, FolderListings& names);
    void AddSupportEntries(std::string_view base, std::uint32_t type, std::string_view tableName,
                           FolderListings& names);
    // Appends a ready entry (its exists flag as given).
    void Append(DirectoryParser entry);
    // Keeps the first of every (path, type) pair; paths compared exactly.
    void RemoveDuplicates();
    // Keeps only the entries whose exists equals flag.
    void KeepExisting(bool flag);
    // Removes every type 1 entry whose path equals that of some type 0 entry.
    void RemoveShadowedPictures();
    // Removes every mmtFiles text equal to an earlier one in lower case.
    void RemoveDuplicateMmtFiles();
};

// The installed folder of an entry, by its type, for the given designer and collection:
// 0 root\MeasureTables; 1 root\MeasurePictures\tableName (root\MeasureTables without table);
// 2 root\Designers\designer; 3, 4, 5 root\Designers\designer\collection; others "".
std::string InstallFolder(const DirectoryParser& entry, std::string_view designer,
                          std::string_view collection);
// The same with CurrentDesigner() and CurrentCollection().
std::string InstallFolder(const DirectoryParser& entry);

// The text that names a missing entry to the user: the file-name part of its path.
std::string DisplayText(const DirectoryParser& entry);

// The file-name part of path without its extension (from the last dot of the name).
std::string NameWithoutExtension(std::string_view path);

}  // namespace kb
