#include "tests/workspace/temp_workspace.h"

#include <cstdlib>

#include "foundation/files.h"
#include "foundation/paths.h"
#include "foundation/platform.h"
#include "workspace/current_selection.h"
#include "workspace/workspace_paths.h"

namespace kb::test {

void TempWorkspace::SetUp() {
    std::string pattern = ::testing::TempDir() + "kb_workspace_XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    documents = pattern;
    SetDocumentsFolder(documents);
    root = WorkspaceRoot(true);
    SetCurrentSelection({});
}

void TempWorkspace::TearDown() {
    SetCurrentSelection({});
    DeleteFolderTree(documents);
}

void TempWorkspace::Write(std::string_view relative, std::string_view content) const {
    ASSERT_TRUE(WriteTextFile(At(relative), content)) << relative;
}

void TempWorkspace::Remove(std::string_view relative) const {
    DeleteFile(At(relative));
}

std::string TempWorkspace::At(std::string_view relative) const {
    return root + std::string(relative);
}

}  // namespace kb::test
