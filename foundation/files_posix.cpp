// The POSIX file calls behind files.cpp.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <functional>
#include <system_error>

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
    const size_t name = target.rfind('/') + 1;  // 0 when there is no folder part
    const std::string temp = target.substr(0, name) + "." + target.substr(name) + ".tmp" +
                             std::to_string(::getpid()) + "-" + std::to_string(counter++);
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
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
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

bool RemoveFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}

std::string MakeFolder(const std::string& path) {
    return ::mkdir(path.c_str(), 0777) == 0 ? std::string() : std::system_category().message(errno);
}

bool RemoveEmptyFolder(const std::string& path) {
    return ::rmdir(path.c_str()) == 0;
}

bool Rename(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0;
}

bool FolderWritable(const std::string& folder) {
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

}  // namespace kb::os
