#include "foundation/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <system_error>
#include <vector>

#include "foundation/each_file.h"
#include "foundation/errors.h"

namespace kb {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void Fail(const std::string& what, std::string_view path, int error) {
    throw FileError(what + " \"" + std::string(path) +
                    "\": " + std::system_category().message(error));
}

[[noreturn]] void Fail(const std::string& what, std::string_view path, const std::error_code& ec) {
    throw FileError(what + " \"" + std::string(path) + "\": " + ec.message());
}

bool StatOf(const std::string& path, struct stat& state) {
    return !path.empty() && ::stat(path.c_str(), &state) == 0;
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

// Fills a new temporary file beside target with fill (which answers 0 or an error), then
// renames it over target, so that target holds either its old or its whole new content.
void ReplaceFile(const std::string& target, const struct stat* modeFrom,
                 const std::function<int(int)>& fill) {
    static std::atomic<unsigned> counter{0};
    fs::path targetPath(target);
    std::string temp =
        (targetPath.parent_path() / ("." + targetPath.filename().string() + ".tmp" +
                                     std::to_string(::getpid()) + "-" + std::to_string(counter++)))
            .string();
    FileDescriptor fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (fd.Get() < 0)
        Fail("Cannot write", target, errno);
    int error = fill(fd.Get());
    if (error == 0 && modeFrom != nullptr && ::fchmod(fd.Get(), modeFrom->st_mode & 07777) != 0) {
        error = errno;
    }
    if (error == 0 && ::fsync(fd.Get()) != 0)
        error = errno;
    int closeError = fd.Close();
    if (error == 0)
        error = closeError;
    if (error == 0 && ::rename(temp.c_str(), target.c_str()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temp.c_str());
        Fail("Cannot write", target, error);
    }
}

// Writing through a link to a file replaces the file it points to, not the link.
std::string WriteTarget(std::string_view path) {
    std::error_code ec;
    fs::path p(path);
    if (fs::is_symlink(p, ec) && fs::is_regular_file(p, ec)) {
        fs::path resolved = fs::canonical(p, ec);
        if (!ec)
            return resolved.string();
    }
    return std::string(path);
}

void EnsureParentOf(const std::string& path) {
    fs::path parent = fs::path(path).parent_path();
    if (!parent.empty())
        EnsureFolder(parent.string());
}

// Removes folder and everything in it without following any link: entries are examined with
// lstat, so a link (to a folder or a file) is unlinked and its target stays untouched.
void RemoveTree(const std::string& folder) {
    std::vector<std::string> names;
    EachFileDir entries(folder);
    while (!entries.Next())
        names.push_back(entries.Name());
    for (const std::string& name : names) {
        std::string path = folder + "/" + name;
        struct stat state {};
        if (::lstat(path.c_str(), &state) != 0)
            continue;
        if (S_ISDIR(state.st_mode)) {
            RemoveTree(path);
        } else {
            ::unlink(path.c_str());
        }
    }
    ::rmdir(folder.c_str());
}

bool IsInside(const fs::path& inner, const fs::path& outer) {
    std::error_code ec;
    fs::path a = fs::weakly_canonical(inner, ec);
    if (ec)
        return false;
    fs::path b = fs::weakly_canonical(outer, ec);
    if (ec)
        return false;
    auto mismatch = std::mismatch(b.begin(), b.end(), a.begin(), a.end());
    return mismatch.first == b.end();
}

}  // namespace

bool FileExists(std::string_view path) {
    struct stat state {};
    return StatOf(std::string(path), state) && !S_ISDIR(state.st_mode);
}

bool FolderExists(std::string_view path) {
    struct stat state {};
    return StatOf(std::string(path), state) && S_ISDIR(state.st_mode);
}

std::string ReadTextFile(std::string_view path) {
    std::string name(path);
    if (name.empty())
        return {};
    FileDescriptor fd(::open(name.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return {};
        Fail("Cannot read", path, errno);
    }
    struct stat state {};
    if (::fstat(fd.Get(), &state) != 0)
        Fail("Cannot read", path, errno);
    if (S_ISDIR(state.st_mode))
        return {};
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

bool WriteTextFile(std::string_view path, std::string_view text) {
    std::string target = WriteTarget(path);
    EnsureParentOf(target);
    struct stat old {};
    bool exists = StatOf(target, old);
    ReplaceFile(target, exists ? &old : nullptr,
                [&](int fd) { return WriteAll(fd, text.data(), text.size()); });
    return true;
}

bool EnsureFolder(std::string_view path) {
    if (path.empty())
        return false;
    if (FileExists(path))
        return true;
    std::error_code ec;
    fs::create_directories(fs::path(path), ec);
    if (ec)
        Fail("Cannot create the folder", path, ec);
    return true;
}

bool DeleteFile(std::string_view path) {
    std::string name(path);
    if (FileExists(name))
        ::unlink(name.c_str());
    return FileExists(name);
}

void CopyFile(std::string_view from, std::string_view to, bool overwrite) {
    if ((!overwrite && FileExists(to)) || from == to || !FileExists(from))
        return;
    std::error_code ec;
    // The same file under another name: replacing the target would destroy the source. A link
    // at the target is no such name: it is replaced by the copy, whatever it points to.
    bool targetIsLink = fs::is_symlink(fs::path(to), ec);
    if (!targetIsLink && fs::equivalent(fs::path(from), fs::path(to), ec))
        return;
    std::string source(from);
    FileDescriptor in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.Get() < 0)
        Fail("Cannot copy", from, errno);
    struct stat state {};
    if (::fstat(in.Get(), &state) != 0)
        Fail("Cannot copy", from, errno);
    std::string target(to);
    EnsureParentOf(target);
    ReplaceFile(target, &state, [&](int out) {
        char buffer[65536];
        for (;;) {
            ssize_t got = ::read(in.Get(), buffer, sizeof buffer);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                return errno;
            if (got == 0)
                return 0;
            if (int error = WriteAll(out, buffer, static_cast<size_t>(got)))
                return error;
        }
    });
}

bool SameFileContents(std::string_view a, std::string_view b) {
    struct stat first {};
    struct stat second {};
    if (!StatOf(std::string(a), first) || !StatOf(std::string(b), second) ||
        S_ISDIR(first.st_mode) || S_ISDIR(second.st_mode) || first.st_size != second.st_size)
        return false;
    return ReadTextFile(a) == ReadTextFile(b);
}

void CopyFolder(std::string_view from, std::string_view to) {
    if (!FolderExists(from))
        Fail("Cannot copy the folder", from, ENOENT);
    if (IsInside(fs::path(to), fs::path(from)))
        Fail("Cannot copy the folder", from, EINVAL);
    EnsureFolder(to);
    std::error_code ec;
    fs::copy(fs::path(from), fs::path(to),
             fs::copy_options::recursive | fs::copy_options::overwrite_existing |
                 fs::copy_options::copy_symlinks,
             ec);
    if (ec)
        Fail("Cannot copy the folder \"" + std::string(from) + "\" to", to, ec);
}

// A link given as the folder is removed as a link: what it points to is not part of the tree.
// Answers whether nothing is left at path (a file at path is left alone and counts as gone).
bool DeleteFolderTree(std::string_view path) {
    std::string root(path);
    struct stat state {};
    if (root.empty() || ::lstat(root.c_str(), &state) != 0)
        return true;
    if (S_ISLNK(state.st_mode)) {
        ::unlink(root.c_str());
    } else if (S_ISDIR(state.st_mode)) {
        RemoveTree(root);
    } else {
        return true;
    }
    return ::lstat(root.c_str(), &state) != 0;
}

// Renames in one step when the target does not exist yet and the file system allows it
// (same device); otherwise copies into the target and deletes the source.
void MoveFolder(std::string_view from, std::string_view to) {
    std::string source(from);
    std::string target(to);
    struct stat state {};
    if (::lstat(target.c_str(), &state) != 0) {
        EnsureParentOf(target);
        if (::rename(source.c_str(), target.c_str()) == 0)
            return;
    }
    CopyFolder(from, to);
    DeleteFolderTree(from);
}

bool ReadLine(std::istream& stream, std::string& line) {
    if (!std::getline(stream, line))
        return false;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return true;
}

}  // namespace kb
