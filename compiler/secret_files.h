#pragma once
// Secrets on this machine: a password typed at a terminal, and files that only their user may
// read. One implementation per platform (secret_files_posix.cpp, secret_files_windows.cpp).
#include <cstddef>
#include <string>
#include <string_view>

namespace compiler {

// Reads the first line of standard input. On a terminal (a console on Windows) it first shows
// the prompt on standard error and the typed characters do not show; from a pipe or file the
// line is read as it comes. False at the input's end.
bool ReadSecretLine(std::string_view prompt, std::string& line);

// The first maxBytes bytes of a file that must be the user's own and open to no one else.
// Throws CompileError naming the file and saying how to mend it when another user owns it,
// other users may read or change it, or it is no regular file; what repairs it is given by
// mend (a command to run after removing the file, for instance).
std::string ReadPrivateFile(const std::string& path, size_t maxBytes, std::string_view mend);

// Makes the file with the bytes, readable and writable by the user alone. False when it exists
// already. Throws CompileError on any other failure.
bool CreatePrivateFile(const std::string& path, std::string_view bytes);

}  // namespace compiler
