#include "tests/support/folder_permissions.h"

#include <unistd.h>

namespace kb::test {
bool FolderPermissionsApply() {
    return ::geteuid() != 0;
}
}  // namespace kb::test
