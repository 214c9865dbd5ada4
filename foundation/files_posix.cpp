// The POSIX file calls behind files.cpp.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <functional>
#include <system_error>
#include <vector>

#include "foundation/errors.h"
#include "foundation/system_calls.h"

namespace kb::os {

namespace {

[[noreturn]] void Fail(const std::string& what, std::string_view path, int error) {
    throw FileError(what + " \"" + std::string(path) +
                    "\": " + std::system_category().message(error));
}

class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return fd_; }
    // Takes fd in place of the one held, which is closed.
    void Reset(int fd) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }
    // Closes now and answers the error of close, or 0.
    int Close() {
        int result = ::close(fd_);
        fd_ = -1;
        return result == 0 ? 0 : errno;
    }

  private:
    int fd_;
};

// Writes all of data to fd; answers 0 or the error.
int WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return 0;
}

// Fills a new temporary file beside target (relative to the open folder, or AT_FDCWD) with fill
// (which answers 0 or an error), then renames it over target, so that target holds either its
// old or its whole new content. Errors name shown.
void ReplaceFileAt(int folder, const std::string& target, const std::string& shown,
                   const struct stat* modeFrom, const std::function<int(int)>& fill) {
    static std::atomic<unsigned> counter{0};
    const size_t name = target.rfind('/') + 1;  // 0 when there is no folder part
    const std::string temp = target.substr(0, name) + "." + target.substr(name) + ".tmp" +
                             std::to_string(::getpid()) + "-" + std::to_string(counter++);
    FileDescriptor fd(
        ::openat(folder, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666));
    if (fd.Get() < 0)
        Fail("Cannot write", shown, errno);
    int error = fill(fd.Get());
    if (error == 0 && modeFrom != nullptr && ::fchmod(fd.Get(), modeFrom->st_mode & 07777) != 0) {
        error = errno;
    }
    if (error == 0 && ::fsync(fd.Get()) != 0)
        error = errno;
    int closeError = fd.Close();
    if (error == 0)
        error = closeError;
    if (error == 0 && ::renameat(folder, temp.c_str(), folder, target.c_str()) != 0)
        error = errno;
    if (error != 0) {
        ::unlinkat(folder, temp.c_str(), 0);
        Fail("Cannot write", shown, error);
    }
}

void ReplaceFile(const std::string& target, const struct stat* modeFrom,
                 const std::function<int(int)>& fill) {
    ReplaceFileAt(AT_FDCWD, target, target, modeFrom, fill);
}

// Copies the rest of in to out; answers 0 or the error.
int CopyContents(int in, int out) {
    char buffer[65536];
    for (;;) {
        ssize_t got = ::read(in, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return errno;
        if (got == 0)
            return 0;
        if (int error = WriteAll(out, buffer, static_cast<size_t>(got)))
            return error;
    }
}

[[noreturn]] void FailThroughLink(const std::string& path) {
    throw FileError("Not copied: \"" + path +
                    "\" is a symbolic link; nothing is read or written through a link");
}

// Whether name in the open folder is a symbolic link.
bool IsLinkAt(int folder, const std::string& name) {
    struct stat state {};
    return ::fstatat(folder, name.c_str(), &state, AT_SYMLINK_NOFOLLOW) == 0 &&
           S_ISLNK(state.st_mode);
}

// Opens base and then, one name at a time from the folder above, the first count parts as
// folders, never following a link; with make, missing folders are made. shown is set to the
// path of the folder opened.
void OpenFolderBelow(FileDescriptor& folder, const std::string& base,
                     const std::vector<std::string>& parts, size_t count, bool make,
                     std::string& shown) {
    shown = base;
    folder.Reset(::open(base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.Get() < 0)
        Fail("Cannot open the folder", base, errno);
    for (size_t i = 0; i < count; ++i) {
        shown += (shown.ends_with('/') ? "" : "/") + parts[i];
        if (make && ::mkdirat(folder.Get(), parts[i].c_str(), 0777) != 0 && errno != EEXIST)
            Fail("Cannot create the folder", shown, errno);
        const int next = ::openat(folder.Get(), parts[i].c_str(),
                                  O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0) {
            const int error = errno;
            if (IsLinkAt(folder.Get(), parts[i]))
                FailThroughLink(shown);
            Fail("Cannot open the folder", shown, error);
        }
        folder.Reset(next);
    }
}

// Removes everything in the open folder without following links; false when something stayed.
bool EmptyFolder(int folder) {
    std::vector<std::string> names;
    {
        const int copy = ::dup(folder);  // closedir closes it
        DIR* listing = copy < 0 ? nullptr : ::fdopendir(copy);
        if (listing == nullptr) {
            if (copy >= 0)
                ::close(copy);
            return false;
        }
        while (const dirent* entry = ::readdir(listing)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        ::closedir(listing);
    }
    bool removed = true;
    for (const std::string& name : names) {
        struct stat state {};
        if (::fstatat(folder, name.c_str(), &state, AT_SYMLINK_NOFOLLOW) != 0)
            continue;  // gone meanwhile
        if (!S_ISDIR(state.st_mode)) {
            removed = ::unlinkat(folder, name.c_str(), 0) == 0 && removed;
            continue;
        }
        FileDescriptor child(
            ::openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        struct stat opened {};
        if (child.Get() < 0 || ::fstat(child.Get(), &opened) != 0 ||
            opened.st_dev != state.st_dev || opened.st_ino != state.st_ino) {
            // Swapped for a link or another item since it was looked at: removed as it is now.
            removed = ::unlinkat(folder, name.c_str(), 0) == 0 && removed;
            continue;
        }
        removed = EmptyFolder(child.Get()) && removed;
        removed = ::unlinkat(folder, name.c_str(), AT_REMOVEDIR) == 0 && removed;
    }
    return removed;
}

}  // namespace

PathState StateOf(const std::string& path, bool followLinks) {
    struct stat state {};
    if (path.empty() ||
        (followLinks ? ::stat(path.c_str(), &state) : ::lstat(path.c_str(), &state)) != 0)
        return {};
    return {true, S_ISDIR(state.st_mode), S_ISLNK(state.st_mode),
            static_cast<std::uint64_t>(state.st_size)};
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    // Opening a pipe for reading waits for a writer unless it is opened without blocking.
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (fd.Get() < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return std::nullopt;
        Fail("Cannot read", path, errno);
    }
    struct stat state {};
    if (::fstat(fd.Get(), &state) != 0)
        Fail("Cannot read", path, errno);
    if (S_ISDIR(state.st_mode))
        return std::nullopt;
    if (!S_ISREG(state.st_mode))
        throw FileError("Cannot read \"" + path +
                        "\": it is not a regular file but a pipe, device or socket");
    std::string text;
    text.reserve(static_cast<size_t>(state.st_size));
    char buffer[65536];
    for (;;) {
        ssize_t got = ::read(fd.Get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            Fail("Cannot read", path, errno);
        }
        if (got == 0)
            break;
        text.append(buffer, static_cast<size_t>(got));
    }
    return text;
}

void ReplaceWithText(const std::string& target, std::string_view text) {
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    ReplaceFile(target, exists ? &old : nullptr,
                [&](int fd) { return WriteAll(fd, text.data(), text.size()); });
}

void ReplaceWithCopy(const std::string& source, const std::string& target) {
    FileDescriptor in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.Get() < 0)
        Fail("Cannot copy", source, errno);
    struct stat state {};
    if (::fstat(in.Get(), &state) != 0)
        Fail("Cannot copy", source, errno);
    ReplaceFile(target, &state, [&](int out) { return CopyContents(in.Get(), out); });
}

void CopyBelow(const std::string& fromBase, const std::vector<std::string>& fromParts,
               const std::string& toBase, const std::vector<std::string>& toParts) {
    std::string source;
    FileDescriptor sourceFolder(-1);
    OpenFolderBelow(sourceFolder, fromBase, fromParts, fromParts.size() - 1, false, source);
    source += "/" + fromParts.back();
    FileDescriptor in(::openat(sourceFolder.Get(), fromParts.back().c_str(),
                               O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY));
    if (in.Get() < 0) {
        const int error = errno;
        if (IsLinkAt(sourceFolder.Get(), fromParts.back()))
            FailThroughLink(source);
        Fail("Cannot copy", source, error);
    }
    struct stat state {};
    if (::fstat(in.Get(), &state) != 0)
        Fail("Cannot copy", source, errno);
    if (!S_ISREG(state.st_mode))
        throw FileError("Cannot copy \"" + source + "\": it is not a regular file");
    ::fcntl(in.Get(), F_SETFL, 0);
    std::string target;
    FileDescriptor targetFolder(-1);
    OpenFolderBelow(targetFolder, toBase, toParts, toParts.size() - 1, true, target);
    target += "/" + toParts.back();
    struct stat existing {};
    if (::fstatat(targetFolder.Get(), toParts.back().c_str(), &existing, AT_SYMLINK_NOFOLLOW) ==
            0 &&
        existing.st_dev == state.st_dev && existing.st_ino == state.st_ino)
        return;  // the same file under another name: it holds the copy already
    ReplaceFileAt(targetFolder.Get(), toParts.back(), target, &state,
                  [&](int out) { return CopyContents(in.Get(), out); });
}

bool RemoveFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}

std::string MakeFolder(const std::string& path) {
    return ::mkdir(path.c_str(), 0777) == 0 ? std::string() : std::system_category().message(errno);
}

bool RemoveEmptyFolder(const std::string& path) {
    return ::rmdir(path.c_str()) == 0;
}

bool RemoveTree(const std::string& folder) {
    FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (fd.Get() < 0)
        return ::unlink(folder.c_str()) == 0;  // a link, or no folder at all
    const bool emptied = EmptyFolder(fd.Get());
    return ::rmdir(folder.c_str()) == 0 && emptied;
}

bool Rename(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0;
}

bool FolderWritable(const std::string& folder) {
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

}  // namespace kb::os
