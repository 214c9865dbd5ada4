#pragma once
// The program-wide current selection: active designer and collection, their folders and the
// macro source folder. Written by the window logic only; read by the scan, the setup builder
// and the upload. Access is guarded, and workers take a CurrentSelection copy when they start.
#include <string>

namespace kb {

struct CurrentSelection {
    std::string designer;
    std::string collection;
    std::string designerFolder;
    std::string collectionFolder;
    std::string macroSourceFolder;
};

std::string CurrentDesigner();
std::string CurrentCollection();
std::string CurrentDesignerFolder();
std::string CurrentCollectionFolder();
std::string CurrentMacroSourceFolder();

// A copy of all five values, taken at once.
CurrentSelection CurrentSelectionSnapshot();
// Replaces all five values at once.
void SetCurrentSelection(CurrentSelection selection);

}  // namespace kb
