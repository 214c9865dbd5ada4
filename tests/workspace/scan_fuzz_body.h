#pragma once
// One fuzzing round of the scan's parsers on arbitrary bytes: the table reader keeps its four
// row lists of equal length and raises nothing but MmtValueError; each macro line reader gives
// the capture of its literal pattern (on texts short enough for the backtracking engine). Then
// the bytes are scanned as a garment macro and as the rows of the table it may name, in a small
// workspace with files outside it: nothing is found or listed outside its folder, and no path
// error stops the scan.
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>

#include "foundation/platform.h"
#include "foundation/regular_exp.h"
#include "tests/support/temp_folder.h"
#include "tests/workspace/scan_oracle.h"
#include "workspace/collections.h"
#include "workspace/macro_lines.h"
#include "workspace/macro_scan.h"
#include "workspace/mmt_data.h"

namespace kb::test {

inline void Check(bool condition, const char* what) {
    if (!condition)
        throw std::logic_error(what);
}

inline void FuzzTableOnce(std::string_view text) {
    MmtData data;
    try {
        ParseMmt(data, text, "fuzz.mmt");
    } catch (const MmtValueError&) {
    }
    const size_t rows = data.rowNames.size();
    Check(data.rowValues.size() == rows && data.rowTexts.size() == rows &&
              data.rowPictures.size() == rows,
          "row lists of different lengths");
}

inline void FuzzMacroLineOnce(std::string_view line) {
    using Reader = std::optional<std::string_view> (*)(std::string_view);
    const std::pair<const char*, Reader> kinds[] = {
        {".*add_picture_input.*,.*,.*[\"](.*)[\"].*", PictureInputName},
        {".*add_pict_item.*,.*[\"](.*)[\"].*", PictItemName},
        {".*measure_table[(][\"](.*)[\"].*", MeasureTableName},
    };
    for (const auto& [pattern, reader] : kinds) {
        const std::optional<std::string_view> capture = reader(line);
        if (line.size() > 256)
            continue;
        RegularExp literal(pattern, line);
        Check(literal.matched == capture.has_value(), "match differs from the literal pattern");
        Check(!capture || literal.Group(1) == *capture, "capture differs from the literal pattern");
    }
}

// The workspace of the scanned rounds, made once: Anna's collection Coats with the pictures a
// name may reach, and files outside the workspace that a name must never reach.
class FuzzWorkspace {
  public:
    FuzzWorkspace() {
        for (const char* outside : {"/secret.jpg", "/secret.txt", "/secret.mmt"})
            Put(documents_.Path() + outside, "secret");
        Select();
        for (const char* inside : {"Designers/Anna/Coats/Front.jpg", "Designers/Anna/Anna.jpg",
                                   "MeasurePictures/bust.jpg", "MeasurePictures/Fuzz/waist.jpg",
                                   "MeasureTables/hip.txt"})
            Put(RootPath(inside), "x");
    }
    // A file written without flushing it to the disk: rounds must be fast.
    static void Put(const std::string& path, std::string_view text) {
        namespace fs = std::filesystem;
        const fs::path file(std::u8string(path.begin(), path.end()));
        fs::create_directories(file.parent_path());
        // Removed first: some file systems flush a file whose old content is truncated away.
        std::error_code ec;
        fs::remove(file, ec);
        std::ofstream(file, std::ios::binary).write(text.data(), std::streamsize(text.size()));
    }
    // Scans bytes as the macro Fuzz.mac and as the rows of the table Fuzz.
    void Scan(std::string_view bytes) {
        Select();  // a test run in between may have chosen another workspace
        Put(RootPath("Designers/Anna/Coats/Fuzz.mac"), bytes);
        Put(RootPath("MeasureTables/Fuzz.mmt"), "Fuzz\tcm\tx\n" + std::string(bytes));
        DirectoryParserList list;
        try {
            ScanCollection({selection_, {"Fuzz"}, {}}, list, true);
        } catch (const MmtValueError&) {
            return;  // a row value that is no number fails the scan, as it should
        }
        CheckScanConfined(list, selection_);
    }

  private:
    void Select() {
        SetDocumentsFolder(documents_.Path());
        selection_ = SelectionOf("Anna", "Coats", 0);
        SetCurrentSelection(selection_);
    }

    TempFolder documents_;
    CurrentSelection selection_;
};

inline void FuzzScanOnce(std::string_view bytes) {
    FuzzTableOnce(bytes);
    FuzzMacroLineOnce(bytes);
    static FuzzWorkspace workspace;
    workspace.Scan(bytes);
}

}  // namespace kb::test
