#include "bench/workspace/synthetic_workspace.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace kb::bench {
namespace {

void WriteOneFile(const std::filesystem::path& path, const std::string& content) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out << content;
    if (!out)
        throw std::runtime_error("Cannot write " + path.string());
}

std::string TableName(int table) {
    return "Table" + std::to_string(table);
}

std::string TableText(int table, int rows) {
    std::string text = TableName(table) + "\tcm\t1\n";
    for (int row = 0; row < rows; ++row) {
        const std::string r = std::to_string(row);
        text += "Measure " + r + "\t" + std::to_string(50 + row % 70) + ".5\tMeasurement " + r +
                " of the body\tpic" + std::to_string(table) + "_" + r + "\n";
    }
    return text;
}

std::string MacroText(int garment, const SyntheticShape& shape) {
    const std::string g = std::to_string(garment);
    std::string text = "// Garment " + g + "\n";
    text += "measure_table(\"" + TableName(garment % shape.tables) + "\");\n";
    for (int i = 0; i < 3; ++i) {
        text += "add_pict_item(" + std::to_string(i) + ", \"G" + g + "_" + std::to_string(i) +
                ".jpg\");\n";
    }
    text += "add_picture_input(\"Ease\", 2.5, \"ease" + std::to_string(garment % 20) + "\");\n";
    for (int line = 0; line < shape.linesPerMacro; ++line) {
        text += "draw_line(p" + std::to_string(line) + ", p" + std::to_string(line + 1) +
                ", 0.5, \"seam\");\n";
    }
    return text;
}

}  // namespace

SyntheticWorkspace MakeSyntheticWorkspace(const std::string& documentsFolder,
                                          const SyntheticShape& shape, bool write) {
    namespace fs = std::filesystem;
    const auto WriteFile = [write](const fs::path& path, const std::string& content) {
        if (write)
            WriteOneFile(path, content);
    };
    SyntheticWorkspace workspace;
    const fs::path root = fs::path(documentsFolder) / "Bobbinwright" / "Personal Files";
    const fs::path designer = root / "Designers" / workspace.designer;
    const fs::path collection = designer / workspace.collection;
    for (const fs::path& folder : {root, root / "Designers", designer, collection,
                                   root / "MeasureTables", root / "MeasurePictures"}) {
        workspace.listedFolders.push_back(folder.string());
    }
    WriteFile(designer / (workspace.designer + ".jpg"), "jpg");
    WriteFile(collection / (workspace.collection + ".jpg"), "jpg");
    for (int table = 0; table < shape.tables; ++table) {
        const fs::path path = root / "MeasureTables" / (TableName(table) + ".mmt");
        WriteFile(path, TableText(table, shape.rowsPerTable));
        WriteFile(root / "MeasureTables" / (TableName(table) + ".jpg"), "jpg");
        workspace.readFiles.push_back(path.string());
        const fs::path pictures = root / "MeasurePictures" / TableName(table);
        workspace.listedFolders.push_back(pictures.string());
        for (int row = 0; row < shape.picturesPerTable; ++row) {
            const std::string name = "pic" + std::to_string(table) + "_" + std::to_string(row);
            WriteFile(pictures / (name + ".jpg"), "jpg");
            WriteFile(pictures / (name + ".txt"), "txt");
        }
    }
    // A table that no macro names, with a value that is no number: it must stop nothing.
    const fs::path broken = root / "MeasureTables" / "Broken.mmt";
    WriteFile(broken, "Unused\tcm\t1\nChest\t92,5\tChest girth\tchest\n");
    workspace.readFiles.push_back(broken.string());
    for (int ease = 0; ease < 20; ease += 2) {
        WriteFile(root / "MeasurePictures" / ("ease" + std::to_string(ease) + ".jpg"), "jpg");
    }
    for (int garment = 0; garment < shape.garments; ++garment) {
        const std::string name = "Garment" + std::to_string(garment);
        const fs::path macro = collection / (name + ".mac");
        WriteFile(macro, MacroText(garment, shape));
        WriteFile(collection / (name + ".jpg"), "jpg");
        WriteFile(collection / (name + ".txt"), "txt");
        for (int i = 0; i < 3; i += 2) {
            WriteFile(
                collection / ("G" + std::to_string(garment) + "_" + std::to_string(i) + ".jpg"),
                "jpg");
        }
        workspace.garments.push_back(name);
        workspace.readFiles.push_back(macro.string());
    }
    return workspace;
}

}  // namespace kb::bench
