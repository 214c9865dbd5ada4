#pragma once
// The one temporary folder of the tests: a fresh folder below the system's temporary folder,
// removed with its content at the end.
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <system_error>

namespace kb::test {

class TempFolder {
  public:
    // A new folder of a random name, made only if no such folder exists yet (as mkdtemp does,
    // but on every platform); its path in UTF-8.
    TempFolder() {
        const std::filesystem::path base = std::filesystem::temp_directory_path();
        std::random_device random;
        for (int attempt = 0; attempt < 100; ++attempt) {
            const std::filesystem::path candidate =
                base / ("kbtest-" + std::to_string(random() % 100000000u));
            std::error_code ec;
            if (std::filesystem::create_directory(candidate, ec)) {
                const std::u8string text = candidate.u8string();
                path_.assign(text.begin(), text.end());
                return;
            }
        }
        throw std::runtime_error("cannot make a temporary folder in the temporary folder");
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(
            std::filesystem::path(std::u8string(path_.begin(), path_.end())), ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

}  // namespace kb::test
