// Each root's settings in an INI file: the current user's in the user's configuration folder,
// the machine's in the system one.
#include <QStandardPaths>
#include <QStringList>

#include "foundation/settings_store_platform.h"

namespace kb::platform {

namespace {

std::string ConfigurationFolder(SettingsRoot root) {
    if (root == SettingsRoot::CurrentUser) {
        return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
            .toStdString();
    }
    QStringList folders = QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation);
    // The first location is the user's own; the system ones (XDG_CONFIG_DIRS) follow.
    return folders.size() > 1 ? folders.at(1).toStdString() : std::string("/etc/xdg");
}

}  // namespace

std::string SettingsLocation(SettingsRoot root) {
    return ConfigurationFolder(root) + std::string(kSettingsFileInFolder);
}

std::string ReadStoredSetting(SettingsRoot root, std::string_view name) {
    return ReadIniSetting(SettingsLocation(root), name);
}

void WriteStoredSetting(SettingsRoot root, std::string_view name, std::string_view value) {
    WriteIniSetting(SettingsLocation(root), name, value);
}

}  // namespace kb::platform
