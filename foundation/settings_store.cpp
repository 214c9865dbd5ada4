#include "foundation/settings_store.h"

#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QString>
#include <mutex>

#include "foundation/errors.h"

namespace kb {

namespace {

// The key "SOFTWARE\Bobbinwright\KB10" as a file below a configuration folder.
constexpr const char* kSettingsFile = "/Bobbinwright/KB10.conf";

std::mutex& StoreMutex() {
    static std::mutex mutex;
    return mutex;
}

std::string& FolderOverride(SettingsRoot root) {
    static std::string user;
    static std::string machine;
    return root == SettingsRoot::CurrentUser ? user : machine;
}

std::string DefaultFolder(SettingsRoot root) {
    if (root == SettingsRoot::CurrentUser) {
        return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
            .toStdString();
    }
    QStringList folders = QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation);
    // The first location is the user's own; the system ones (XDG_CONFIG_DIRS) follow.
    return folders.size() > 1 ? folders.at(1).toStdString() : std::string("/etc/xdg");
}

std::string FileLocked(SettingsRoot root) {
    const std::string& folder = FolderOverride(root);
    return (folder.empty() ? DefaultFolder(root) : folder) + kSettingsFile;
}

// QSettings reads "/" and "\" in a key as group separators; they (and the escape character)
// are escaped so that every value name is one key of its own.
QString KeyOf(std::string_view name) {
    std::string key;
    for (char c : name) {
        switch (c) {
            case '%':
                key += "%25";
                break;
            case '/':
                key += "%2F";
                break;
            case '\\':
                key += "%5C";
                break;
            default:
                key.push_back(c);
        }
    }
    return QString::fromStdString(key);
}

// Texts that are UTF-8 are stored as strings; other bytes as a byte array, so that no byte
// is lost either way.
QVariant ValueOf(std::string_view text) {
    QByteArray bytes(text.data(), static_cast<qsizetype>(text.size()));
    QString string = QString::fromUtf8(bytes);
    if (string.toUtf8() == bytes)
        return string;
    return bytes;
}

std::string Quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

}  // namespace

std::string ReadSetting(SettingsRoot root, std::string_view name, std::string_view defaultValue) {
    std::lock_guard lock(StoreMutex());
    std::string file = FileLocked(root);
    QString path = QString::fromStdString(file);
    // A missing file stays missing: QSettings is not even built for it.
    if (name.empty() || !QFileInfo::exists(path))
        return std::string(defaultValue);
    QSettings settings(path, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError)
        return std::string(defaultValue);
    QVariant value = settings.value(KeyOf(name));
    std::string text;
    if (value.typeId() == QMetaType::QString) {
        text = value.toString().toStdString();
    } else if (value.typeId() == QMetaType::QByteArray) {
        text = value.toByteArray().toStdString();
    } else if (value.isValid()) {
        throw SettingsError("The setting " + Quoted(name) + " in " + Quoted(file) +
                            " is not a text");
    }
    return text.empty() ? std::string(defaultValue) : text;
}

void WriteSetting(SettingsRoot root, std::string_view name, std::string_view value) {
    std::lock_guard lock(StoreMutex());
    std::string file = FileLocked(root);
    if (name.empty()) {
        throw SettingsError("Cannot write a setting without a name to " + Quoted(file));
    }
    QSettings settings(QString::fromStdString(file), QSettings::IniFormat);
    settings.setValue(KeyOf(name), ValueOf(value));
    settings.sync();
    if (settings.status() != QSettings::NoError) {
        throw SettingsError("Cannot write the setting " + Quoted(name) + " to " + Quoted(file));
    }
}

void SetSettingsFolder(SettingsRoot root, std::string folder) {
    std::lock_guard lock(StoreMutex());
    FolderOverride(root) = std::move(folder);
}

std::string SettingsFile(SettingsRoot root) {
    std::lock_guard lock(StoreMutex());
    return FileLocked(root);
}

}  // namespace kb
