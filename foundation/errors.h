#pragma once
// Exceptions raised by the foundation library. Each message says what failed and on which file.
#include <stdexcept>
#include <string>

namespace kb {

// A file or folder operation that the operating system refused; the text carries its message.
class FileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A path that cannot be used: "Invalid characters in path", "The specified path is too long".
// The message is exactly one of those texts; Path() names the offending path when known.
class PathError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
    PathError(const std::string& message, std::string path)
        : std::runtime_error(message), path_(std::move(path)) {}
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
};

// The settings store could not be read or written.
class SettingsError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace kb
