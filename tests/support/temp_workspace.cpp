#include "tests/support/temp_workspace.h"

#include <cstdlib>

#include "foundation/files.h"
#include "foundation/paths.h"
#include "foundation/platform.h"
#include "tests/support/test_paths.h"
#include "workspace/current_selection.h"
#include "workspace/workspace_paths.h"

namespace kb::test {

void TempWorkspace::SetUp() {
    folder_ = std::make_unique<TempFolder>();
    documents = folder_->Path();
    SetDocumentsFolder(documents);
    root = WorkspaceRoot(true);
    SetCurrentSelection({});
}

void TempWorkspace::TearDown() {
    SetCurrentSelection({});
    folder_.reset();
}

void TempWorkspace::Write(std::string_view relative, std::string_view content) const {
    ASSERT_TRUE(WriteTextFile(At(relative), content)) << relative;
}

void TempWorkspace::Remove(std::string_view relative) const {
    DeleteFile(At(relative));
}

std::string TempWorkspace::At(std::string_view relative) const {
    return Native(root + std::string(relative));
}

}  // namespace kb::test
