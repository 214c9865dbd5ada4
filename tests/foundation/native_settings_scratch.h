#pragma once
// Moves the platform's own settings store (no folder set) to a scratch place for the life of
// the object, so that tests never touch the user's settings: on Linux the configuration folders
// go below a temporary folder, on Windows both registry roots are redirected to a scratch key.
#include <memory>
#include <string>

#include "foundation/settings_store.h"

namespace kb::test {

class NativeSettingsScratch {
  public:
    explicit NativeSettingsScratch(const std::string& tempFolder);
    ~NativeSettingsScratch();
    NativeSettingsScratch(const NativeSettingsScratch&) = delete;
    NativeSettingsScratch& operator=(const NativeSettingsScratch&) = delete;

    // Where the store of root lives while redirected, as SettingsFile names it.
    std::string Location(SettingsRoot root) const;
    // Whether the store of root (file or key) exists.
    bool Exists(SettingsRoot root) const;

  private:
    struct Saved;
    std::unique_ptr<Saved> saved_;
};

}  // namespace kb::test
