#pragma once
// A temporary workspace holding one designer and one collection, made current, for the
// installer script tests and benchmarks. Removed with everything in it when destroyed.
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "foundation/files.h"
#include "foundation/platform.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_paths.h"
#include "workspace/current_selection.h"
#include "workspace/kitbinder_data.h"
#include "workspace/workspace_paths.h"

namespace kb::test {

class SampleCollection {
  public:
    SampleCollection(std::string designer, std::string collection) {
        SetDocumentsFolder(documents_.Path());
        CurrentSelection selection;
        selection.designer = std::move(designer);
        selection.collection = std::move(collection);
        selection.designerFolder = DesignerFolder(selection.designer);
        selection.collectionFolder = CollectionFolder(selection.designer, selection.collection);
        selection.macroSourceFolder = MacroSourceFolder(0);
        EnsureFolder(selection.collectionFolder);
        SetCurrentSelection(selection);
        data.version = "0.1";
    }
    ~SampleCollection() { SetCurrentSelection({}); }
    SampleCollection(const SampleCollection&) = delete;
    SampleCollection& operator=(const SampleCollection&) = delete;

    // The workspace root without its trailing separator.
    static std::string Root() { return WorkspaceRoot(false); }
    static std::string DesignerFile(const std::string& name) {
        return Native(CurrentDesignerFolder() + "/" + name);
    }
    static std::string CollectionFile(const std::string& name) {
        return Native(CurrentCollectionFolder() + "/" + name);
    }
    static std::string SourceFile(const std::string& name) {
        return Native(CurrentMacroSourceFolder() + "/" + name);
    }
    static std::string WorkspaceFile(const std::string& relative) {
        return Native(RootPath(relative));
    }

    static void Write(const std::string& path, const std::string& text = "x") {
        WriteTextFile(path, text);
    }
    // A garment macro in the macro source folder and its copy in the collection folder.
    static void AddGarment(const std::string& name, const std::string& macro) {
        Write(SourceFile(name + ".mac"), macro);
        Write(CollectionFile(name + ".mac"), macro);
    }

    KitbinderData data;

  private:
    TempFolder documents_;
};

}  // namespace kb::test
