#include <stdlib.h>

#include <optional>

#include "foundation/files.h"
#include "tests/foundation/native_settings_scratch.h"

namespace kb::test {

namespace {

constexpr const char* kVariables[] = {"XDG_CONFIG_HOME", "XDG_CONFIG_DIRS"};

}  // namespace

struct NativeSettingsScratch::Saved {
    std::string folder;
    std::optional<std::string> values[2];
};

NativeSettingsScratch::NativeSettingsScratch(const std::string& tempFolder)
    : saved_(std::make_unique<Saved>()) {
    saved_->folder = tempFolder;
    for (int i = 0; i < 2; ++i) {
        if (const char* value = getenv(kVariables[i]))
            saved_->values[i] = value;
    }
    setenv("XDG_CONFIG_HOME", (tempFolder + "/user").c_str(), 1);
    setenv("XDG_CONFIG_DIRS", (tempFolder + "/machine").c_str(), 1);
}

NativeSettingsScratch::~NativeSettingsScratch() {
    for (int i = 0; i < 2; ++i) {
        if (saved_->values[i])
            setenv(kVariables[i], saved_->values[i]->c_str(), 1);
        else
            unsetenv(kVariables[i]);
    }
}

std::string NativeSettingsScratch::Location(SettingsRoot root) const {
    return saved_->folder + (root == SettingsRoot::CurrentUser ? "/user" : "/machine") +
           "/Bobbinwright/KB10.conf";
}

bool NativeSettingsScratch::Exists(SettingsRoot root) const {
    return FileExists(Location(root));
}

}  // namespace kb::test
