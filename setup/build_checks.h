#pragma once
// The checks a setup build runs before the installer compiler: every problem the build would hit,
// each with the item it comes from, reported together.
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "workspace/directory_parser.h"
#include "workspace/kitbinder_data.h"
#include "workspace/macro_scan.h"

namespace kb {

// The scan a setup build works from: its inputs, the support-file list, and for every entry of
// the list the garment whose macro brought it in ("" for the designer's and collection's files).
struct SetupScan {
    ScanInputs inputs;
    DirectoryParserList list;
    std::vector<std::string> entryGarments;  // parallel to list.entries

    // The item an entry comes from, as the user knows it: "garment Coat1", "table Women (named
    // by garment Coat1)", "designer Anna", "collection Coats".
    std::string OriginOf(size_t entry) const;
    // The same item in parts.
    struct Item {
        std::string kind;     // "designer", "collection", "garment" or "table"
        std::string name;     // without folder or extension
        std::string namedBy;  // a table's: the garment whose macro names it; "" otherwise
        std::string path;     // the item's folder (designer, collection) or file
    };
    Item ItemOf(size_t entry) const;
    // The file of each table name among the entries, taken in one pass, so that ItemOf over many
    // entries searches the list once.
    using TablePaths = std::unordered_map<std::string, std::string>;
    TablePaths FirstTablePaths() const;
    Item ItemOf(size_t entry, const TablePaths& tablePaths) const;
    // The origin text of an item, as OriginOf gives it.
    static std::string OriginText(const Item& item);

  private:
    Item ItemOf(size_t entry, const TablePaths* tablePaths) const;
    // The file of the table called name: the first table entry of that name (from tablePaths
    // when given, else searched in the list), else where such a table would be.
    std::string TablePathOf(const std::string& name, const TablePaths* tablePaths) const;
};

// Scans the collection that inputs name for a setup of their garments (see ScanCollection).
SetupScan ScanForSetup(ScanInputs inputs, ScanProgress* progress = nullptr);

enum class ProblemSeverity { Warning, Error };

struct BuildProblem {
    ProblemSeverity severity = ProblemSeverity::Error;
    std::string origin;  // the item: "garment Coat1", "designer Anna", "setting password", ...
    std::string text;    // what is wrong, naming the file or value
    bool missingFile = false;  // a required file that is missing: the setup can go without it
};

// The installed path of "{pf}" as a 32-bit setup on 64-bit Windows expands it; the path-length
// check measures against it.
inline constexpr std::string_view kProgramFilesFolder = "C:\\Program Files (x86)";
// Windows refuses installed paths of this many characters or more.
inline constexpr size_t kMaxInstalledPath = 260;

// Every problem of a build of scan into a setup named outputBaseName: missing files (optional
// documents and texts only warn), names Windows cannot hold, installed paths that are too long,
// licence and information texts that will not show as written, and a password with blanks at
// either end. Sorted: errors first, then by origin, in a stable order.
std::vector<BuildProblem> CheckBuild(const KitbinderData& data, const SetupScan& scan,
                                     std::string_view outputBaseName);

bool HasErrors(const std::vector<BuildProblem>& problems);

// The report as plain text, one problem a line: "Error: garment Coat1: ...".
std::string ProblemReportText(const std::vector<BuildProblem>& problems);

// A file the scan expected but did not find.
struct MissingFile {
    std::string path;
    bool optional = false;  // a document or text (".pdf", ".html", ".txt"): the setup leaves it out
};

// The missing files that one item (designer, collection, a garment, a table) brought in.
struct MissingFileGroup {
    std::string origin;    // as SetupScan::OriginOf names it: "garment Duffle", ...
    SetupScan::Item item;  // the same in parts
    std::vector<MissingFile> files;
};

// The missing files of a scan, each path once, grouped by the item they come from: designer,
// collection, garments, tables, each kind by name; within a group sorted by file name.
std::vector<MissingFileGroup> MissingFilesByOrigin(const SetupScan& scan);

// The missing-file report in detail: the missing files grouped by the item they come from
// (designer, collection, garments by name, tables), each with its folder, optional ones marked,
// sorted by name; then the measuring pictures that a referenced table's rows name but that exist
// nowhere in the workspace (a note: Bobbinwright may bring them).
std::string MissingFileDetails(const SetupScan& scan);

// Why Windows cannot hold name as a file or folder name ("" when it can): reserved device
// names with or without extension, a trailing dot or space, < > : " / \ | ? * and control
// characters.
std::string WindowsNameProblem(std::string_view name);

// The lines of a licence or information text that the setup will not show as written, given
// that it reads the text as UTF-8 when the whole file is valid UTF-8 and as Windows-1252
// otherwise. Each text names the line and shows how it will look.
std::vector<std::string> TextEncodingProblems(std::string_view bytes);

}  // namespace kb
