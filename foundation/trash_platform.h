#pragma once
// What the trash module asks of the system (trash_posix.cpp, trash_windows.cpp).
#include <string>
#include <string_view>

namespace kb::trash_platform {

// The trash that takes files from below folder, made when missing; "" when there is none.
std::string TrashFor(std::string_view folder);
// Whether inTrash, as the toolkit answered it, is a place inside that trash.
bool IsInTrash(std::string_view trash, std::string_view inTrash);
// Removes what the trash keeps about an entry that was put back (its deletion record).
void ForgetEntry(std::string_view inTrash);

}  // namespace kb::trash_platform
