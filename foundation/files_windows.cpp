// The Win32 file calls behind files.cpp: wide names, long paths, sharing violations named as
// such, and replacement by MoveFileExW of a finished temporary file.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

#include "foundation/errors.h"
#include "foundation/system_calls.h"
#include "foundation/wide_text_windows.h"

namespace kb::os {

namespace {

class FileHandle {
  public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() {
        if (Valid())
            CloseHandle(handle_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return handle_; }
    // Closes now and answers the error of closing, or 0.
    DWORD Close() {
        const bool closed = CloseHandle(handle_) != 0;
        handle_ = INVALID_HANDLE_VALUE;
        return closed ? 0 : GetLastError();
    }

  private:
    HANDLE handle_;
};

// The path for the wide calls; nothing when it is no valid UTF-8 (no file can have that name).
std::optional<std::wstring> TryWidePath(const std::string& path) {
    try {
        return WidePath(path);
    } catch (const std::invalid_argument&) {
        return std::nullopt;
    }
}

// The same, where an unusable name is an error of what was asked.
std::wstring NativePath(const std::string& what, const std::string& path) {
    std::optional<std::wstring> wide = TryWidePath(path);
    if (!wide)
        throw FileError(what + " \"" + path + "\": the name is not valid UTF-8");
    return *wide;
}

bool IsMissing(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
           error == ERROR_INVALID_NAME || error == ERROR_DIRECTORY || error == ERROR_BAD_NETPATH ||
           error == ERROR_BAD_PATHNAME;
}

// Access is also refused when another program holds the file open without sharing it; the
// message then says so instead of a bare "Access is denied".
DWORD Explained(DWORD error, const std::wstring& path) {
    if (error != ERROR_ACCESS_DENIED)
        return error;
    FileHandle probe(CreateFileW(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!probe.Valid() && GetLastError() == ERROR_SHARING_VIOLATION)
        return ERROR_SHARING_VIOLATION;
    return error;
}

// A sharing violation says plainly that another program has the file open.
std::string Reason(DWORD error) {
    if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION)
        return "the file is open in another program (" + SystemMessage(error) + ")";
    return SystemMessage(error);
}

[[noreturn]] void Fail(const std::string& what, std::string_view path, DWORD error) {
    throw FileError(what + " \"" + std::string(path) + "\": " + Reason(error));
}

DWORD AttributesOf(const std::wstring& path) {
    return GetFileAttributesW(path.c_str());
}

bool IsLinkTag(DWORD tag) {
    return tag == IO_REPARSE_TAG_SYMLINK || tag == IO_REPARSE_TAG_MOUNT_POINT;
}

// Whether the reparse point at path is a symbolic link or junction (not, say, a cloud file).
bool IsLink(const std::wstring& path) {
    WIN32_FIND_DATAW data{};
    HANDLE find =
        FindFirstFileExW(path.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE)
        return false;
    FindClose(find);
    return (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
           IsLinkTag(data.dwReserved0);
}

// The state of what a link points to; nothing when it points nowhere.
PathState TargetState(const std::wstring& path) {
    FileHandle handle(CreateFileW(path.c_str(), 0,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!handle.Valid() || !GetFileInformationByHandle(handle.Get(), &info))
        return {};
    return {true, (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0, false,
            (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow};
}

std::wstring TemporaryBeside(const std::string& target) {
    static std::atomic<unsigned> counter{0};
    const size_t name = target.find_last_of("\\/") + 1;  // 0 when there is no folder part
    return NativePath("Cannot write", target.substr(0, name) + "." + target.substr(name) + ".tmp" +
                                          std::to_string(GetCurrentProcessId()) + "-" +
                                          std::to_string(counter++));
}

DWORD WriteAll(HANDLE file, std::string_view text) {
    while (!text.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(text.size(), 1u << 30));
        DWORD written = 0;
        if (!WriteFile(file, text.data(), chunk, &written, nullptr))
            return GetLastError();
        text.remove_prefix(written);
    }
    return 0;
}

// Moves the finished temporary file over target in one step. A read-only target is replaced as
// on POSIX (the folder, not the file, decides); attributes (when not INVALID_FILE_ATTRIBUTES)
// are given to the result. The temporary file is removed when anything fails.
void Commit(const std::wstring& temp, const std::string& target, DWORD attributes) {
    const std::wstring wideTarget = NativePath("Cannot write", target);
    const DWORD old = AttributesOf(wideTarget);
    const bool readOnly = old != INVALID_FILE_ATTRIBUTES && (old & FILE_ATTRIBUTE_READONLY);
    if (readOnly)
        SetFileAttributesW(wideTarget.c_str(), old & ~DWORD{FILE_ATTRIBUTE_READONLY});
    if (!MoveFileExW(temp.c_str(), wideTarget.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = Explained(GetLastError(), wideTarget);
        if (readOnly)
            SetFileAttributesW(wideTarget.c_str(), old);
        DeleteFileW(temp.c_str());
        Fail("Cannot write", target, error);
    }
    if (attributes != INVALID_FILE_ATTRIBUTES)
        SetFileAttributesW(wideTarget.c_str(), attributes);
}

// The item at path itself, never what a link there points to, opened with access (DELETE to
// remove it through the handle); the handle shares reading and writing but not deleting, so
// that the item cannot be renamed or swapped while it is held.
HANDLE OpenItself(const std::wstring& path, DWORD access) {
    return CreateFileW(path.c_str(), access | FILE_READ_ATTRIBUTES,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

bool HandleAttributes(HANDLE handle, DWORD& attributes) {
    FILE_BASIC_INFO info{};
    if (!GetFileInformationByHandleEx(handle, FileBasicInfo, &info, sizeof info))
        return false;
    attributes = info.FileAttributes;
    return true;
}

// Marks the item held by handle for deletion when the handle closes; a link goes as a link.
bool DeleteHeld(HANDLE handle, const std::wstring& path, DWORD attributes) {
    if (attributes & FILE_ATTRIBUTE_READONLY)
        SetFileAttributesW(path.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
    FILE_DISPOSITION_INFO disposition{TRUE};
    return SetFileInformationByHandle(handle, FileDispositionInfo, &disposition,
                                      sizeof disposition) != 0;
}

// The names in the folder held by handle, read through the handle itself: they are those of the
// folder that is held, and a listing by name would be refused while the handle (which does not
// share deleting) is open.
std::vector<std::wstring> NamesInHeldFolder(HANDLE folder) {
    std::vector<std::wstring> names;
    std::vector<unsigned char> buffer(64 * 1024);
    FILE_INFO_BY_HANDLE_CLASS kind = FileFullDirectoryRestartInfo;
    while (GetFileInformationByHandleEx(folder, kind, buffer.data(), DWORD(buffer.size()))) {
        kind = FileFullDirectoryInfo;
        const unsigned char* at = buffer.data();
        for (;;) {
            const auto* entry = reinterpret_cast<const FILE_FULL_DIR_INFO*>(at);
            std::wstring name(entry->FileName, entry->FileNameLength / sizeof(WCHAR));
            if (name != L"." && name != L"..")
                names.push_back(std::move(name));
            if (entry->NextEntryOffset == 0)
                break;
            at += entry->NextEntryOffset;
        }
    }
    return names;
}

// Removes the item at path and, when it is a folder and no link, everything in it first.
bool RemoveItemTree(const std::wstring& path) {
    FileHandle item(OpenItself(path, DELETE | FILE_LIST_DIRECTORY));
    DWORD attributes = 0;
    if (!item.Valid() || !HandleAttributes(item.Get(), attributes))
        return false;
    bool removed = true;
    const bool folder =
        (attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
    if (folder) {
        for (const std::wstring& name : NamesInHeldFolder(item.Get()))
            removed = RemoveItemTree(path + L"\\" + name) && removed;
    }
    return DeleteHeld(item.Get(), path, attributes) && removed;
}

[[noreturn]] void FailThroughLink(const std::string& path) {
    throw FileError("Not copied: \"" + path +
                    "\" is a symbolic link; nothing is read or written through a link");
}

// Opens base's parts one after the other (the first count of them; with make, missing folders
// are made) and keeps each open so that none can be swapped for a link until the copy is done;
// a part that is a link or junction raises FileError. Answers the path reached.
std::string HoldFoldersBelow(const std::string& base, const std::vector<std::string>& parts,
                             size_t count, bool make,
                             std::vector<std::unique_ptr<FileHandle>>& held) {
    std::string path = base;
    for (size_t i = 0; i < count; ++i) {
        path += (path.ends_with('\\') || path.ends_with('/') ? "" : "\\") + parts[i];
        const std::wstring wide = NativePath("Cannot copy", path);
        if (make)
            CreateDirectoryW(wide.c_str(), nullptr);
        held.push_back(std::make_unique<FileHandle>(OpenItself(wide, 0)));
        DWORD attributes = 0;
        if (!held.back()->Valid() || !HandleAttributes(held.back()->Get(), attributes))
            Fail("Cannot open the folder", path, GetLastError());
        if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
            FailThroughLink(path);
        if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
            Fail("Cannot open the folder", path, ERROR_DIRECTORY);
    }
    return path;
}

}  // namespace

PathState StateOf(const std::string& path, bool followLinks) {
    const std::optional<std::wstring> found = TryWidePath(path);
    if (path.empty() || !found)
        return {};
    const std::wstring& wide = *found;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data))
        return {};
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && IsLink(wide)) {
        if (followLinks)
            return TargetState(wide);
        return {true, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0, true, 0};
    }
    return {true, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0, false,
            (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow};
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    const std::optional<std::wstring> found = TryWidePath(path);
    if (!found)
        return std::nullopt;
    const std::wstring& wide = *found;
    FileHandle file(CreateFileW(wide.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.Valid()) {
        const DWORD error = GetLastError();
        const DWORD attributes = AttributesOf(wide);
        if (IsMissing(error) ||
            (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)))
            return std::nullopt;
        Fail("Cannot read", path, Explained(error, wide));
    }
    if (GetFileType(file.Get()) != FILE_TYPE_DISK)
        throw FileError("Cannot read \"" + path +
                        "\": it is not a regular file but a pipe, device or socket");
    std::string text;
    LARGE_INTEGER size{};
    if (GetFileSizeEx(file.Get(), &size))
        text.reserve(static_cast<size_t>(size.QuadPart));
    char buffer[65536];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr))
            Fail("Cannot read", path, GetLastError());
        if (got == 0)
            break;
        text.append(buffer, got);
    }
    return text;
}

void ReplaceWithText(const std::string& target, std::string_view text) {
    const DWORD kept = AttributesOf(NativePath("Cannot write", target));
    const std::wstring temp = TemporaryBeside(target);
    FileHandle file(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid())
        Fail("Cannot write", target, GetLastError());
    DWORD error = WriteAll(file.Get(), text);
    if (error == 0 && !FlushFileBuffers(file.Get()))
        error = GetLastError();
    const DWORD closeError = file.Close();
    if (error == 0)
        error = closeError;
    if (error != 0) {
        DeleteFileW(temp.c_str());
        Fail("Cannot write", target, error);
    }
    Commit(temp, target, kept);
}

void ReplaceWithCopy(const std::string& source, const std::string& target) {
    const std::wstring wideSource = NativePath("Cannot copy", source);
    {
        FileHandle in(CreateFileW(wideSource.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
        if (!in.Valid())
            Fail("Cannot copy", source, Explained(GetLastError(), wideSource));
    }
    const std::wstring temp = TemporaryBeside(target);
    if (!CopyFileW(wideSource.c_str(), temp.c_str(), TRUE)) {
        const DWORD error = GetLastError();
        DeleteFileW(temp.c_str());
        Fail("Cannot write", target, error);
    }
    Commit(temp, target, INVALID_FILE_ATTRIBUTES);  // the copy's attributes are the source's
}

bool RemoveFile(const std::string& path) {
    const std::optional<std::wstring> found = TryWidePath(path);
    if (!found)
        return false;
    const std::wstring& wide = *found;
    const DWORD attributes = AttributesOf(wide);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)  // a link to a folder
        return RemoveDirectoryW(wide.c_str()) != 0;
    // A read-only file goes as on POSIX: the folder, not the file, decides.
    if (attributes & FILE_ATTRIBUTE_READONLY)
        SetFileAttributesW(wide.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
    if (DeleteFileW(wide.c_str()))
        return true;
    SetFileAttributesW(wide.c_str(), attributes);
    return false;
}

std::string MakeFolder(const std::string& path) {
    const std::optional<std::wstring> wide = TryWidePath(path);
    if (!wide)
        return "the name is not valid UTF-8";
    return CreateDirectoryW(wide->c_str(), nullptr) ? std::string() : SystemMessage(GetLastError());
}

bool RemoveTree(const std::string& folder) {
    const std::optional<std::wstring> wide = TryWidePath(folder);
    return wide && RemoveItemTree(*wide);
}

void CopyBelow(const std::string& fromBase, const std::vector<std::string>& fromParts,
               const std::string& toBase, const std::vector<std::string>& toParts) {
    std::vector<std::unique_ptr<FileHandle>> held;
    const std::string source =
        HoldFoldersBelow(fromBase, fromParts, fromParts.size() - 1, false, held) + "\\" +
        fromParts.back();
    held.push_back(std::make_unique<FileHandle>(OpenItself(NativePath("Cannot copy", source), 0)));
    DWORD attributes = 0;
    if (!held.back()->Valid() || !HandleAttributes(held.back()->Get(), attributes))
        Fail("Cannot copy", source, GetLastError());
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        FailThroughLink(source);
    const std::string target =
        HoldFoldersBelow(toBase, toParts, toParts.size() - 1, true, held) + "\\" + toParts.back();
    const std::wstring wideTarget = NativePath("Cannot copy", target);
    const DWORD existing = AttributesOf(wideTarget);
    if (existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_REPARSE_POINT))
        RemoveFile(target);  // a link at the target is replaced, never written through
    ReplaceWithCopy(source, target);
}

bool RemoveEmptyFolder(const std::string& path) {
    const std::optional<std::wstring> found = TryWidePath(path);
    if (!found)
        return false;
    const std::wstring& wide = *found;
    const DWORD attributes = AttributesOf(wide);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesW(wide.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
    return RemoveDirectoryW(wide.c_str()) != 0;
}

bool Rename(const std::string& from, const std::string& to) {
    const std::optional<std::wstring> source = TryWidePath(from);
    const std::optional<std::wstring> target = TryWidePath(to);
    return source && target && MoveFileExW(source->c_str(), target->c_str(), 0) != 0;
}

bool FolderWritable(const std::string& folder) {
    static std::atomic<unsigned> counter{0};
    const std::optional<std::wstring> probe =
        TryWidePath(folder + "\\.kbprobe" + std::to_string(GetCurrentProcessId()) + "-" +
                    std::to_string(counter++));
    if (!probe)
        return false;
    FileHandle file(CreateFileW(probe->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    return file.Valid();
}

}  // namespace kb::os
