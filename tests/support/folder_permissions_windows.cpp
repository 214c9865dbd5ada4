#include "tests/support/folder_permissions.h"

namespace kb::test {
bool FolderPermissionsApply() {
    return false;
}
}  // namespace kb::test
