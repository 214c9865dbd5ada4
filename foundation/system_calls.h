#pragma once
// The operating system's calls behind the foundation's files, folder listings, paths and
// desktop services: one implementation per platform (*_posix.cpp, *_windows.cpp). Paths and
// texts are UTF-8. Callers outside foundation use files.h, each_file.h, paths.h, platform.h.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kb::os {

struct PathState {
    bool exists = false;
    bool folder = false;
    bool link = false;  // the path itself is a symbolic link (asked without following links)
    std::uint64_t size = 0;
};
// The state of the item at path; with followLinks false, of a link itself.
PathState StateOf(const std::string& path, bool followLinks);

// The whole file; nothing when there is no file at path (missing, or a folder). Raises
// FileError ("Cannot read") for any other refusal, and for a pipe, device or socket, which is
// never read: reading one could wait forever.
std::optional<std::string> ReadWholeFile(const std::string& path);
// Replaces target with text in one step (a temporary file beside it, then a rename over it);
// an existing target keeps its permissions. Raises FileError ("Cannot write").
void ReplaceWithText(const std::string& target, std::string_view text);
// The same with a copy of source, which gives its permissions. Raises FileError.
void ReplaceWithCopy(const std::string& source, const std::string& target);
// Removes a file or a link (never what it points to); false when the system refused.
bool RemoveFile(const std::string& path);
bool RemoveEmptyFolder(const std::string& path);
// Removes folder and everything in it, working from open folder handles that never follow a
// link: an entry that is a link, or is swapped for one meanwhile, is removed as a link. A link
// given as folder is removed as a link. False when something stayed.
bool RemoveTree(const std::string& folder);
// Copies fromBase + fromParts onto toBase + toParts (each a relative path split into its names,
// the last one the file's). Each folder below a base is opened from the one above it without
// following links, and so is the source file: a part that is a symbolic link raises FileError
// naming it, and nothing outside the bases is read or written. Missing target folders are made;
// the target is replaced in one step (a link there is replaced, not followed).
void CopyBelow(const std::string& fromBase, const std::vector<std::string>& fromParts,
               const std::string& toBase, const std::vector<std::string>& toParts);
// Makes the folder at path, whose parent exists; answers "" or the system's reason.
std::string MakeFolder(const std::string& path);
// Renames from to a name that does not exist yet; false when the system refused.
bool Rename(const std::string& from, const std::string& to);
// Whether new files can be made in folder.
bool FolderWritable(const std::string& folder);

enum class EntryKind : std::uint8_t { Unknown, File, Folder };

// The entries of one folder as the system lists them, "." and ".." skipped.
class FolderReader {
  public:
    explicit FolderReader(const std::string& folder);
    ~FolderReader();
    FolderReader(const FolderReader&) = delete;
    FolderReader& operator=(const FolderReader&) = delete;
    // Whether the folder could be opened; the reason when not.
    bool Opened() const;
    const std::string& Problem() const { return problem_; }
    // The next entry; false at the end. Links and unusual entries are of kind Unknown.
    bool Next(std::string& name, EntryKind& kind);

  private:
    struct System;
    std::unique_ptr<System> system_;
    std::string problem_;
};

// Whether the calling thread runs at the priority LowerToBackgroundPriority (thread_priority.h)
// gives it.
bool RunsAtBackgroundPriority();

// The user's documents folder from the system; "" when there is none.
std::string SystemDocumentsFolder();
// The running executable's full path.
std::filesystem::path ExecutablePath();

}  // namespace kb::os
