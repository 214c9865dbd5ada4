#pragma once
// The collection scan: reads every garment macro of a collection line by line, follows the
// pictures and measurement tables its lines name, and records every expected file, found or not,
// in a DirectoryParserList.
//
// Recognised macro lines (first quoted capture of each):
//   add_picture_input(..., ..., "name")  a measuring picture and its text, by name
//   add_pict_item(..., "file")           a garment picture in the collection folder (as .jpg)
//   measure_table("name")                a measurement table, by the name inside the table
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "workspace/current_selection.h"
#include "workspace/directory_parser.h"
#include "workspace/kitbinder_data.h"

namespace kb {

// What the scans of one run share while the files they read do not change: the entries that each
// measure_table name contributes (its tables read and their pictures looked up), used again only
// while the tables and the folders they were found in carry the same stamps (write time, size).
// Safe to use from several threads.
class ScanShare;
std::shared_ptr<ScanShare> MakeScanShare();

// What one scan reads, copied when it starts so that the window may change meanwhile.
struct ScanInputs {
    CurrentSelection selection;         // the current selection
    std::vector<std::string> garments;  // the garment list: macro names without ".mac"
    // The collection selected in the collection box; used instead of selection.collection for
    // the garment paths when a scan is run without cached names. Empty: selection.collection.
    std::string boxCollection;
    std::shared_ptr<ScanShare> share = nullptr;  // null: the scan reads every table itself
};

// Inputs from the current selection and the given garment list; the scans of all such inputs
// within one run of the program share their tables.
ScanInputs MakeScanInputs(std::vector<std::string> garments, std::string boxCollection = {});

// Told the garment that is about to be scanned (name without folder and extension).
class ScanProgress {
  public:
    virtual ~ScanProgress() = default;
    virtual void ScanningGarment(const std::string& currentFile) = 0;
};

// What one scan may read more than once: the listing of every folder it looks in, the tables
// with the entries each contributes. Lives for one
// scan only, so that the next scan sees the disk as it is then. Used by one thread at a time.
class ScanContext {
  public:
    explicit ScanContext(CurrentSelection selection, std::shared_ptr<ScanShare> share = nullptr);
    ~ScanContext();
    ScanContext(const ScanContext&) = delete;
    ScanContext& operator=(const ScanContext&) = delete;

    const CurrentSelection& Selection() const;
    // The share of the run this scan belongs to; null when there is none.
    ScanShare* Share() const { return share_.get(); }
    // The folder listings of this scan: every file it looks for is found whatever the case of
    // its names, as on Windows.
    FolderListings& Names();
    // As FindMeasurePicture below, answered from folder listings taken once per scan.
    std::string FindMeasurePicture(std::string_view fileName, std::string_view tableName);

    struct Cache;   // defined by the scan
    struct Stamps;  // of the files and folders a shared table reference comes from
    Cache& TheCache() { return *cache_; }

  private:
    CurrentSelection selection_;
    std::unique_ptr<Cache> cache_;
    std::shared_ptr<ScanShare> share_;
};

// Adds the entries of the whole collection: the designer's and the collection's support files,
// then every garment of inputs.garments in order; then removes shadowed pictures and duplicate
// table file names. With useCachedNames the garment paths are built from the selection's
// designer and collection names, otherwise from the collection folder of boxCollection.
// Raises MmtValueError for a table value that is not a number and kb::FileError/PathError for
// file and path failures.
void ScanCollection(const ScanInputs& inputs, DirectoryParserList& list, bool useCachedNames,
                    ScanProgress* progress = nullptr);

// Adds the entries of one garment; garmentPath is its full path without ".mac".
void ScanMacro(DirectoryParserList& list, const std::string& garmentPath, ScanContext& context);
// The same within a scan of its own over the current selection.
void ScanMacro(DirectoryParserList& list, const std::string& garmentPath);

// Adds the entries of every table in MeasureTables whose inner name equals tableName ignoring
// case; a table no file matches is added as tableName + ".mmt", without folder. A name already
// added to the same list within the context adds only its table file names again, since every
// entry would be a duplicate.
void AddMeasureTable(DirectoryParserList& list, const std::string& tableName, ScanContext& context);
void AddMeasureTable(DirectoryParserList& list, const std::string& tableName);

// The first existing fileName among MeasurePictures/, MeasurePictures/tableName/ and
// MeasureTables/ (in that order); "" when none holds it.
std::string FindMeasurePicture(std::string_view fileName, std::string_view tableName);

}  // namespace kb
