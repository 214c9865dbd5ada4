#include "workspace/current_selection.h"

#include <mutex>

namespace kb {
namespace {

std::mutex& SelectionMutex() {
    static std::mutex mutex;
    return mutex;
}

CurrentSelection& Selection() {
    static CurrentSelection selection;
    return selection;
}

// One field of the selection, read under the lock.
std::string Read(std::string CurrentSelection::*field) {
    std::lock_guard lock(SelectionMutex());
    return Selection().*field;
}

}  // namespace

std::string CurrentDesigner() {
    return Read(&CurrentSelection::designer);
}
std::string CurrentCollection() {
    return Read(&CurrentSelection::collection);
}
std::string CurrentDesignerFolder() {
    return Read(&CurrentSelection::designerFolder);
}
std::string CurrentCollectionFolder() {
    return Read(&CurrentSelection::collectionFolder);
}
std::string CurrentMacroSourceFolder() {
    return Read(&CurrentSelection::macroSourceFolder);
}

CurrentSelection CurrentSelectionSnapshot() {
    std::lock_guard lock(SelectionMutex());
    return Selection();
}

void SetCurrentSelection(CurrentSelection selection) {
    std::lock_guard lock(SelectionMutex());
    Selection() = std::move(selection);
}

}  // namespace kb
