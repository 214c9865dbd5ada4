// libFuzzer target for the settings store's INI files (target settings_fuzz, not in "all"): a
// settings file of arbitrary bytes reads as texts or is refused with a SettingsError, and a
// value written under any name, into that file or beside other values, reads back as written.
// Input: one byte giving the name's length, the name, one byte giving the value's length, the
// value, then the file's bytes.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "foundation/errors.h"
#include "foundation/settings_store.h"

namespace {

namespace fs = std::filesystem;

void Check(bool condition, const std::string& what) {
    if (!condition) {
        std::fprintf(stderr, "settings: %s\n", what.c_str());
        std::abort();
    }
}

// A configuration folder of its own for the run, removed at its end; in memory where the
// system has a memory file system, since QSettings syncs every file it writes to the disk,
// which would slow the run tenfold.
fs::path ScratchBase() {
    std::error_code error;
    return fs::is_directory("/dev/shm", error) ? fs::path("/dev/shm") : fs::temp_directory_path();
}

struct ConfigFolder {
    ConfigFolder() {
        std::string pattern = (ScratchBase() / "settings-fuzz-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        path = pattern;
    }
    ~ConfigFolder() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    std::string path;
};

std::string_view Take(std::string_view& input) {
    if (input.empty())
        return {};
    const size_t size = std::min<size_t>(static_cast<unsigned char>(input[0]), input.size() - 1);
    const std::string_view taken = input.substr(1, size);
    input.remove_prefix(1 + size);
    return taken;
}

constexpr kb::SettingsRoot kRoot = kb::SettingsRoot::CurrentUser;
constexpr std::string_view kDefault = "\x01(default)";

std::string Read(std::string_view name) {
    return kb::ReadSetting(kRoot, name, kDefault);
}

// A written value reads back; an empty one reads as the default, as a missing one does.
void CheckReadsBack(std::string_view name, std::string_view value) {
    const std::string read = Read(name);
    Check(read == (value.empty() ? kDefault : value),
          "\"" + std::string(name) + "\" reads back as \"" + read + "\"");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const ConfigFolder folder;
    static unsigned long round = 0;
    std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string name(Take(input));
    const std::string value(Take(input));
    // A folder per round: QSettings keeps files it has read and tells a changed file by its
    // time and size, which a file rewritten within the same second may share.
    const std::string config = folder.path + "/" + std::to_string(++round);
    kb::SetSettingsFolder(kRoot, config);
    const std::string file = kb::SettingsFile(kRoot);
    fs::create_directories(fs::path(file).parent_path());

    // Any file reads as texts or is refused.
    std::ofstream(file, std::ios::binary) << input;
    try {
        Read(name);
        Read("Other");
    } catch (const kb::SettingsError&) {
    }
    // A value written into it reads back as written, unless the store refuses the file.
    try {
        if (!name.empty()) {
            kb::WriteSetting(kRoot, name, value);
            CheckReadsBack(name, value);
        }
    } catch (const kb::SettingsError&) {
    }

    // Beside another value, in a file the store wrote itself, nothing may be refused.
    fs::remove(file);
    kb::WriteSetting(kRoot, "Other", "kept");
    if (!name.empty()) {
        kb::WriteSetting(kRoot, name, value);
        CheckReadsBack(name, value);
        CheckReadsBack("Other", name == "Other" ? value : "kept");
    } else {
        Check(Read(name) == kDefault, "an empty name reads as something");
    }
    fs::remove_all(config);
    return 0;
}
