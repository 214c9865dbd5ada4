#pragma once
// One fuzzing round of the whole-collection scan: the input describes a workspace tree (macros,
// tables, pictures, folders and links, a link pointing anywhere), which is made afresh below a
// folder that also holds files outside the workspace. Both scans of the collection (the check's
// and the upload's) must find and list nothing outside the folder of each entry, and raise
// nothing but MmtValueError and the FileError of a macro that is no file; deleting the tree must
// leave the files outside it, wherever its links lead.
//
// The input is records separated by a line "--"; each record's first line says what to make,
// the rest is the content:
//   M <name>             the macro Designers/Anna/Coats/<name>.mac
//   T <name>             the table MeasureTables/<name>.mmt
//   P <path>             a file at <path> below the workspace root
//   D <path>             a folder at <path> below the workspace root
//   L <path> -> <target> a symbolic link at <path> below the root to <target>, as written
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "foundation/errors.h"
#include "foundation/files.h"
#include "foundation/paths.h"
#include "foundation/platform.h"
#include "tests/support/temp_folder.h"
#include "tests/workspace/scan_oracle.h"
#include "workspace/collections.h"
#include "workspace/macro_scan.h"
#include "workspace/mmt_data.h"

namespace kb::test {

namespace fs = std::filesystem;

inline fs::path FuzzPath(const std::string& path) {
    return fs::path(std::u8string(path.begin(), path.end()));
}

// A relative path of plain names, at most four deep, as the workspace holds them; "" otherwise.
inline std::string TreePath(std::string_view path) {
    std::string out;
    int depth = 0;
    while (!path.empty()) {
        const size_t slash = std::min(path.find('/'), path.size());
        const std::string_view part = path.substr(0, slash);
        if (!IsPlainName(part) || part.size() > 60 || ++depth > 4)
            return {};
        out += (out.empty() ? "" : "/") + std::string(part);
        path.remove_prefix(std::min(slash + 1, path.size()));
    }
    return out;
}

struct TreeRecord {
    char kind = 0;
    std::string name;    // the path or name of the first line
    std::string target;  // a link's
    std::string content;
};

inline std::vector<TreeRecord> ReadTreeRecords(std::string_view bytes) {
    std::vector<TreeRecord> records;
    constexpr std::string_view kSeparator = "\n--\n";
    while (!bytes.empty() && records.size() < 64) {
        const size_t end = std::min(bytes.find(kSeparator), bytes.size());
        std::string_view record = bytes.substr(0, end);
        bytes.remove_prefix(std::min(end + kSeparator.size(), bytes.size()));
        const size_t lineEnd = std::min(record.find('\n'), record.size());
        const std::string_view head = record.substr(0, lineEnd);
        if (head.size() < 3 || head[1] != ' ')
            continue;
        TreeRecord parsed;
        parsed.kind = head[0];
        parsed.name = std::string(head.substr(2));
        if (const size_t arrow = parsed.name.find(" -> "); arrow != std::string::npos) {
            parsed.target = parsed.name.substr(arrow + 4, 200);
            parsed.name.resize(arrow);
        }
        parsed.content = std::string(record.substr(std::min(lineEnd + 1, record.size())));
        records.push_back(std::move(parsed));
    }
    return records;
}

class FuzzTree {
  public:
    FuzzTree() {
        for (const char* outside : {"secret.jpg", "secret.txt", "secret.mmt", "Anna.jpg"}) {
            Put(base_ / outside, "secret");
            Put(base_ / ("documents/" + std::string(outside)), "secret");
        }
    }

    void Run(std::string_view bytes) {
        const std::string documents = base_ / "documents";
        SetDocumentsFolder(documents);
        for (const TreeRecord& record : ReadTreeRecords(bytes))
            Make(record);
        const CurrentSelection selection = SelectionOf("Anna", "Coats", 0);
        SetCurrentSelection(selection);
        const std::vector<std::string> garments = GarmentNames(selection.collectionFolder);
        for (bool cached : {true, false})
            ScanOnce({selection, garments, cached ? "" : "Coats"}, cached, selection);
        DeleteFolderTree(WorkspaceRoot(false));
        for (const char* outside : {"secret.jpg", "documents/secret.jpg"})
            if (!fs::exists(FuzzPath(base_ / outside)))
                throw std::logic_error(std::string("deleting the tree deleted ") + outside);
    }

  private:
    static void Put(const std::string& path, std::string_view text) {
        std::error_code ec;
        fs::create_directories(FuzzPath(path).parent_path(), ec);
        std::ofstream(FuzzPath(path), std::ios::binary)
            .write(text.data(), static_cast<std::streamsize>(text.size()));
    }

    static void Make(const TreeRecord& record) {
        std::string relative;
        switch (record.kind) {
            case 'M':
                if (IsPlainName(record.name))
                    Put(RootPath("Designers/Anna/Coats/" + record.name + ".mac"), record.content);
                return;
            case 'T':
                if (IsPlainName(record.name))
                    Put(RootPath("MeasureTables/" + record.name + ".mmt"), record.content);
                return;
            default:
                break;
        }
        relative = TreePath(record.name);
        if (relative.empty())
            return;
        const std::string path = RootPath(relative);
        std::error_code ec;
        if (record.kind == 'P') {
            Put(path, record.content);
        } else if (record.kind == 'D') {
            fs::create_directories(FuzzPath(path), ec);
        } else if (record.kind == 'L' && !record.target.empty()) {
            fs::create_directories(FuzzPath(path).parent_path(), ec);
            fs::create_symlink(FuzzPath(record.target), FuzzPath(path), ec);
        }
    }

    static void ScanOnce(const ScanInputs& inputs, bool cached, const CurrentSelection& selection) {
        DirectoryParserList list;
        try {
            ScanCollection(inputs, list, cached);
        } catch (const MmtValueError&) {
            return;
        } catch (const FileError& error) {
            // Only a macro that is no file, or cannot be read, may fail the scan.
            if (std::string(error.what()).find(".mac") == std::string::npos)
                throw;
            return;
        }
        CheckScanConfined(list, selection);
    }

    TempFolder base_;
};

inline void FuzzWorkspaceScanOnce(std::string_view bytes) {
    static FuzzTree tree;
    tree.Run(bytes);
}

}  // namespace kb::test
