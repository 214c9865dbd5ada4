#pragma once
// Where a root's settings live when no folder is set, one implementation per platform: an INI
// file in the configuration folders on Linux, the registry on Windows. Callers hold the store's
// lock.
#include <string>
#include <string_view>

#include "foundation/settings_store.h"

namespace kb::platform {

// The place of a root's settings, as messages name it: a file, or a registry key.
std::string SettingsLocation(SettingsRoot root);
// The value as stored; "" when it or its key is missing. Raises kb::SettingsError when the value
// is no text.
std::string ReadStoredSetting(SettingsRoot root, std::string_view name);
// Stores the value, creating the key when missing. Raises kb::SettingsError on failure.
void WriteStoredSetting(SettingsRoot root, std::string_view name, std::string_view value);

}  // namespace kb::platform

namespace kb {

// The key "SOFTWARE\Bobbinwright\KB10" as an INI file below a configuration folder.
inline constexpr std::string_view kSettingsFileInFolder = "/Bobbinwright/KB10.conf";

// The settings of an INI file written by QSettings (any platform): a missing file reads as
// empty and is never created by a read.
std::string ReadIniSetting(const std::string& file, std::string_view name);
void WriteIniSetting(const std::string& file, std::string_view name, std::string_view value);

}  // namespace kb
