#pragma once
// What a scan promises of the list it fills, checked by the scan's fuzz targets: every file it
// found, and every missing file it names by a path, lies below the folder of its entry type; a
// refused name carries the line that gave it. A broken promise throws std::logic_error.
#include <stdexcept>
#include <string>
#include <vector>

#include "foundation/paths.h"
#include "workspace/current_selection.h"
#include "workspace/directory_parser.h"
#include "workspace/workspace_paths.h"

namespace kb::test {

// The folders that entries of the type may lie below.
inline std::vector<std::string> EntryBases(std::uint32_t type, const CurrentSelection& selection) {
    const std::string collection = CollectionFolder(selection.designer, selection.collection);
    switch (type) {
        case MeasureTableFile:
            return {RootPath("MeasureTables")};
        case MeasurePicture:
            return {RootPath("MeasurePictures"), RootPath("MeasureTables")};
        case DesignerFile:
            return {NormalizePath(selection.designerFolder)};
        case CollectionFile:
            return {NormalizePath(selection.collectionFolder)};
        case GarmentFile:
            return {collection};
        case GarmentPicture:
            return {collection, RootPath("MeasurePictures")};
        default:
            return {};
    }
}

inline void CheckScanConfined(const DirectoryParserList& list, const CurrentSelection& selection) {
    for (const DirectoryParser& entry : list.entries) {
        // A table that no file holds is listed under its bare name, never looked up.
        if (entry.type == MeasureTableFile && !entry.exists &&
            entry.path == entry.tableName + ".mmt")
            continue;
        bool below = false;
        for (const std::string& base : EntryBases(entry.type, selection))
            below = below || LiesBelow(entry.path, base);
        if (!below)
            throw std::logic_error("entry of type " + std::to_string(entry.type) +
                                   (entry.exists ? " found" : " listed") +
                                   " outside its folder: " + entry.path);
    }
    for (const RefusedName& refused : list.refused) {
        if (refused.line < 1 || refused.file.empty() || refused.reason.empty())
            throw std::logic_error("refused name without its file and line: " + refused.name);
    }
}

}  // namespace kb::test
