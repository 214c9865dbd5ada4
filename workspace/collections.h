#pragma once
// The workspace's designers, their collections and garments, and a collection's stored
// installer settings, read from the folders and item files as the window and the command line
// both see them.
#include <string>
#include <string_view>
#include <vector>

#include "workspace/current_selection.h"
#include "workspace/kitbinder_data.h"

namespace kb {

// The designers: the folders of Designers, in folder order.
std::vector<std::string> DesignerNames();
// A designer's collections: the folders of the designer's folder, in folder order.
std::vector<std::string> CollectionNames(std::string_view designer);
// The garments of a collection folder: its ".mac" files' names without the extension, in folder
// order (the order a setup installs them in).
std::vector<std::string> GarmentNames(std::string_view collectionFolder);
// The garment a file name of a collection folder names; "" for a file that is no macro.
std::string GarmentOfFile(std::string_view fileName);

// Folder listings read a folder that cannot be listed as empty; every command and the window
// treat such a folder as an error instead, so that an unreadable collection never passes for one
// without garments. Raises FileError "cannot read the folder FOLDER: REASON".
void RequireReadableFolder(const std::string& folder);
// The same for the folders a selection names: the designer's and, when set, the collection's.
void RequireReadableSelection(const CurrentSelection& selection);

// The selection of a designer and collection (collection may be ""), with the macro source by
// its index (0 Designers, otherwise Patterns).
CurrentSelection SelectionOf(std::string_view designer, std::string_view collection,
                             int macroSourceIndex);

// The settings stored in the item files: the designer's web site ("Website.txt" in
// designerFolder), and when collectionFolder is not "" the collection's installation password
// ("Password.txt") and version ("CollectionVersion.txt"; "0.1" when empty or missing).
KitbinderData ReadItemSettings(std::string_view designerFolder, std::string_view collectionFolder);

}  // namespace kb
