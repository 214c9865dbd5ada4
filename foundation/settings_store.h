#pragma once
// The per-user settings: text values under the key "SOFTWARE\Bobbinwright\KB10". On Windows
// they are values of that registry key below HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE; on Linux
// each root is an INI file written by QSettings: the current user's in the user's configuration
// folder, the machine's in the system one (Bobbinwright/KB10.conf).
#include <string>
#include <string_view>

namespace kb {

enum class SettingsRoot { CurrentUser, LocalMachine };

// The value, or defaultValue when it is missing or empty. Never creates the key.
std::string ReadSetting(SettingsRoot root, std::string_view name, std::string_view defaultValue);
// Stores the value, creating the key when missing. Raises kb::SettingsError on failure.
void WriteSetting(SettingsRoot root, std::string_view name, std::string_view value);

// Points a root at an INI file in another configuration folder (tests, sample workspaces), on
// every platform; "" restores the default location.
void SetSettingsFolder(SettingsRoot root, std::string folder);
// Where a root's settings live now: the INI file, or on Windows by default the registry key
// ("HKEY_CURRENT_USER\SOFTWARE\Bobbinwright\KB10").
std::string SettingsFile(SettingsRoot root);

}  // namespace kb
