#pragma once
// A large synthetic workspace for timing the collection scan.
#include <string>
#include <vector>

namespace kb::bench {

struct SyntheticShape {
    int garments = 500;
    int tables = 50;
    int rowsPerTable = 2000;
    int picturesPerTable = 200;  // rows whose measuring picture and text exist
    int linesPerMacro = 60;
};

struct SyntheticWorkspace {
    std::string designer = "Bench";
    std::string collection = "Big";
    std::vector<std::string> garments;
    // Every file the scan reads whole: the macros and the tables.
    std::vector<std::string> readFiles;
    // Every folder the scan lists to find files whatever the case of their names.
    std::vector<std::string> listedFolders;
};

// Writes the workspace below documentsFolder/Bobbinwright/Personal Files; with write false only
// describes the one written earlier.
SyntheticWorkspace MakeSyntheticWorkspace(const std::string& documentsFolder,
                                          const SyntheticShape& shape, bool write = true);

}  // namespace kb::bench
