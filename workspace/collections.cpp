#include "workspace/collections.h"

#include "foundation/each_file.h"
#include "foundation/errors.h"
#include "foundation/files.h"
#include "foundation/paths.h"
#include "workspace/workspace_paths.h"

namespace kb {

namespace {

constexpr std::string_view kMacroExtension = ".mac";
constexpr char kDefaultVersion[] = "0.1";

}  // namespace

std::vector<std::string> DesignerNames() {
    return EachDirectory(DesignersFolder()).Names();
}

std::vector<std::string> CollectionNames(std::string_view designer) {
    return EachDirectory(DesignersFolder(designer)).Names();
}

std::string GarmentOfFile(std::string_view fileName) {
    const size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos || dot == 0 || fileName.substr(dot) != kMacroExtension)
        return {};
    return std::string(fileName.substr(0, dot));
}

std::vector<std::string> GarmentNames(std::string_view collectionFolder) {
    std::vector<std::string> garments;
    for (const std::string& name : EachFile(std::string(collectionFolder)))
        if (std::string garment = GarmentOfFile(name); !garment.empty())
            garments.push_back(std::move(garment));
    return garments;
}

void RequireReadableFolder(const std::string& folder) {
    if (const std::string problem = FolderListingProblem(folder); !problem.empty())
        throw FileError("cannot read the folder " + folder + ": " + problem);
}

void RequireReadableSelection(const CurrentSelection& selection) {
    if (!selection.designerFolder.empty())
        RequireReadableFolder(selection.designerFolder);
    if (!selection.collection.empty() && !selection.collectionFolder.empty())
        RequireReadableFolder(selection.collectionFolder);
}

CurrentSelection SelectionOf(std::string_view designer, std::string_view collection,
                             int macroSourceIndex) {
    CurrentSelection selection;
    selection.designer = designer;
    selection.collection = collection;
    selection.designerFolder = DesignersFolder(designer);
    selection.collectionFolder = DesignerFolder(designer, collection);
    selection.macroSourceFolder = MacroSourceFolder(macroSourceIndex);
    return selection;
}

KitbinderData ReadItemSettings(std::string_view designerFolder, std::string_view collectionFolder) {
    KitbinderData data;
    data.website = ReadTextFile(InFolder(designerFolder, "Website.txt"));
    if (!collectionFolder.empty()) {
        data.password = ReadTextFile(InFolder(collectionFolder, "Password.txt"));
        data.version = ReadTextFile(InFolder(collectionFolder, "CollectionVersion.txt"));
    }
    if (data.version.empty())
        data.version = kDefaultVersion;
    return data;
}

}  // namespace kb
