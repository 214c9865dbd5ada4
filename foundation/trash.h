#pragma once
// Moving files and folders to the desktop's trash (the freedesktop trash, the Windows Recycle
// Bin) and putting them back where they were.
#include <string>
#include <string_view>

namespace kb {

// A file or folder in the trash: where it was, and where the trash keeps it.
struct TrashedFile {
    std::string original;
    std::string inTrash;
};

// Whether files below folder can go to a trash; where not, deleting them is for good. May make
// the user's trash folder when it is missing.
bool TrashAvailable(std::string_view folder);

// Moves the file or folder at path to the trash (a link goes as the link, never followed).
// Raises kb::FileError naming path when it cannot; path is then where it was.
TrashedFile MoveToTrash(std::string_view path);

// Moves a trashed file or folder back to its first place, remaking its parent folder. Raises
// kb::FileError naming the file when something is at that place now or the trash no longer
// holds it; nothing is changed then.
void RestoreFromTrash(const TrashedFile& file);

}  // namespace kb
