#include "foundation/settings_store.h"

#include <QFileInfo>
#include <QSettings>
#include <QString>
#include <mutex>

#include "foundation/errors.h"
#include "foundation/settings_store_platform.h"

namespace kb {

namespace {

std::mutex& StoreMutex() {
    static std::mutex mutex;
    return mutex;
}

std::string& FolderOverride(SettingsRoot root) {
    static std::string user;
    static std::string machine;
    return root == SettingsRoot::CurrentUser ? user : machine;
}

// The INI file of a root pointed at a folder; "" when the root uses its platform's store.
std::string OverrideFileLocked(SettingsRoot root) {
    const std::string& folder = FolderOverride(root);
    return folder.empty() ? std::string() : folder + std::string(kSettingsFileInFolder);
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

std::string ReadIniSetting(const std::string& file, std::string_view name) {
    QString path = QString::fromStdString(file);
    // A missing file stays missing: QSettings is not even built for it.
    if (!QFileInfo::exists(path))
        return {};
    QSettings settings(path, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError)
        return {};
    QVariant value = settings.value(KeyOf(name));
    if (value.typeId() == QMetaType::QString)
        return value.toString().toStdString();
    if (value.typeId() == QMetaType::QByteArray)
        return value.toByteArray().toStdString();
    if (value.isValid()) {
        throw SettingsError("The setting " + Quoted(name) + " in " + Quoted(file) +
                            " is not a text");
    }
    return {};
}

void WriteIniSetting(const std::string& file, std::string_view name, std::string_view value) {
    QSettings settings(QString::fromStdString(file), QSettings::IniFormat);
    settings.setValue(KeyOf(name), ValueOf(value));
    settings.sync();
    if (settings.status() != QSettings::NoError) {
        throw SettingsError("Cannot write the setting " + Quoted(name) + " to " + Quoted(file));
    }
}

std::string ReadSetting(SettingsRoot root, std::string_view name, std::string_view defaultValue) {
    std::lock_guard lock(StoreMutex());
    if (name.empty())
        return std::string(defaultValue);
    const std::string file = OverrideFileLocked(root);
    std::string text =
        file.empty() ? platform::ReadStoredSetting(root, name) : ReadIniSetting(file, name);
    return text.empty() ? std::string(defaultValue) : text;
}

void WriteSetting(SettingsRoot root, std::string_view name, std::string_view value) {
    std::lock_guard lock(StoreMutex());
    const std::string file = OverrideFileLocked(root);
    if (name.empty()) {
        throw SettingsError("Cannot write a setting without a name to " +
                            Quoted(file.empty() ? platform::SettingsLocation(root) : file));
    }
    if (file.empty())
        platform::WriteStoredSetting(root, name, value);
    else
        WriteIniSetting(file, name, value);
}

void SetSettingsFolder(SettingsRoot root, std::string folder) {
    std::lock_guard lock(StoreMutex());
    FolderOverride(root) = std::move(folder);
}

std::string SettingsFile(SettingsRoot root) {
    std::lock_guard lock(StoreMutex());
    const std::string file = OverrideFileLocked(root);
    return file.empty() ? platform::SettingsLocation(root) : file;
}

}  // namespace kb
