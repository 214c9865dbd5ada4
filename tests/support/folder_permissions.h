#pragma once
// Whether taking a folder's read or write permission away stops this process from reading or
// writing it: not for root, and not on Windows, whose folders have no such permission bits.
namespace kb::test {
bool FolderPermissionsApply();
}
