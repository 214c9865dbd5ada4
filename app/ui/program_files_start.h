#pragma once
// Starting a program file (a setup just built) the way this desktop starts programs.
#include <QString>

namespace kb {

// Starts the program file at path; false when this desktop cannot start it. On Windows the
// shell starts it (and asks for elevation where the setup needs it). Elsewhere it is handed to
// the desktop only when a program is registered for its type (wine's loader, say): without one
// the desktop's opener would fail without a word.
bool StartProgramFile(const QString& path);

}  // namespace kb
