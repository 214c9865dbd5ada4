#pragma once
// Whole-file text reading and writing, copying and deleting files and folder trees.
// Platform refusals raise kb::FileError with the platform's message and the file's path.
#include <filesystem>
#include <fstream>
#include <istream>
#include <string>
#include <string_view>

namespace kb {

// A std::filesystem path from a UTF-8 path and back. Use these, never std::filesystem::path's
// narrow constructor or string(): on Windows those use the ANSI code page and mangle other names.
std::filesystem::path FsPath(std::string_view path);
std::string PathText(const std::filesystem::path& path);
// Whether new files can be made in folder.
bool FolderWritable(std::string_view folder);

bool FileExists(std::string_view path);
bool FolderExists(std::string_view path);

// The whole file, byte for byte; the empty text when no file exists at path.
std::string ReadTextFile(std::string_view path);
// Replaces the file atomically (temporary file beside it, then rename); makes its folder. A link
// to a file at path stays a link: the file it points to gets the new content, as an editor does.
bool WriteTextFile(std::string_view path, std::string_view text);
bool EnsureFolder(std::string_view path);
// Answers whether a file exists at path afterwards.
bool DeleteFile(std::string_view path);
// Copies from onto to (atomically, as WriteTextFile). A link at to is replaced by the copy: the
// file it pointed to, which may lie anywhere, stays untouched.
void CopyFile(std::string_view from, std::string_view to, bool overwrite);
// Copies from onto to as CopyFile does, where from lies below the folder fromBase and to below
// toBase (normalised paths). No part of either below its base may be a symbolic link: each is
// checked while the copy opens it, so that a link made meanwhile is not followed either. Missing
// folders below toBase are made. Raises FileError naming the link or the file that failed.
void CopyFileBelow(std::string_view fromBase, std::string_view from, std::string_view toBase,
                   std::string_view to);
// Whether both files exist and hold the same bytes; sizes are compared before any content.
bool SameFileContents(std::string_view a, std::string_view b);
void CopyFolder(std::string_view from, std::string_view to);
// Deletes the folder with everything in it; links inside it are removed as links, never followed.
bool DeleteFolderTree(std::string_view path);
void MoveFolder(std::string_view from, std::string_view to);

// Reads the next line without its line end (LF or CR LF); false at the end of the stream.
bool ReadLine(std::istream& stream, std::string& line);
// The file at path (UTF-8) opened for binary reading.
std::ifstream OpenForReading(std::string_view path);

}  // namespace kb
