// Each root's settings as string values of the registry key SOFTWARE\Bobbinwright\KB10 below
// HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE. Bytes that are no UTF-8 text (or hold a NUL) are kept
// as a binary value instead, so that no value is changed by storing it.
#include <windows.h>

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "foundation/errors.h"
#include "foundation/settings_store_platform.h"
#include "foundation/text.h"
#include "foundation/wide_text_windows.h"

namespace kb::platform {

namespace {

constexpr wchar_t kKey[] = L"SOFTWARE\\Bobbinwright\\KB10";

HKEY RootKey(SettingsRoot root) {
    return root == SettingsRoot::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

struct KeyCloser {
    HKEY key;
    ~KeyCloser() { RegCloseKey(key); }
};

std::string Quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

// Whether the registry can hold name as a value name of its own.
bool UsableName(std::string_view name) {
    return name.find('\0') == std::string_view::npos && IsValidUtf8(name);
}

SettingsError WriteFailure(SettingsRoot root, std::string_view name, const std::string& reason) {
    return SettingsError("Cannot write the setting " + Quoted(name) + " to " +
                         Quoted(SettingsLocation(root)) + ": " + reason);
}

// The data of a value and its type; nullopt when there is no such value.
std::optional<std::pair<DWORD, std::vector<BYTE>>> QueryValue(SettingsRoot root, HKEY key,
                                                              std::string_view name) {
    const std::wstring valueName = Wide(name);
    DWORD type = REG_NONE;
    DWORD size = 0;
    std::vector<BYTE> data;
    for (;;) {
        const LSTATUS status = RegQueryValueExW(key, valueName.c_str(), nullptr, &type,
                                                data.empty() ? nullptr : data.data(), &size);
        if (status == ERROR_FILE_NOT_FOUND)
            return std::nullopt;
        if (status == ERROR_MORE_DATA || (status == ERROR_SUCCESS && size > data.size())) {
            data.resize(size);
            continue;
        }
        if (status != ERROR_SUCCESS) {
            throw SettingsError("Cannot read the setting " + Quoted(name) + " in " +
                                Quoted(SettingsLocation(root)) + ": " +
                                SystemMessage(static_cast<unsigned long>(status)));
        }
        data.resize(size);
        return std::make_pair(type, std::move(data));
    }
}

// The text of string data, without the NULs that end it.
std::string StringData(const std::vector<BYTE>& data) {
    std::wstring text(data.size() / sizeof(wchar_t), L'\0');
    std::copy(data.begin(),
              data.begin() + static_cast<std::ptrdiff_t>(text.size() * sizeof(wchar_t)),
              reinterpret_cast<BYTE*>(text.data()));
    while (!text.empty() && text.back() == L'\0')
        text.pop_back();
    return Narrow(text);
}

}  // namespace

std::string SettingsLocation(SettingsRoot root) {
    return std::string(root == SettingsRoot::CurrentUser ? "HKEY_CURRENT_USER"
                                                         : "HKEY_LOCAL_MACHINE") +
           "\\" + Narrow(kKey);
}

std::string ReadStoredSetting(SettingsRoot root, std::string_view name) {
    HKEY key = nullptr;
    if (!UsableName(name) ||
        RegOpenKeyExW(RootKey(root), kKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        return {};
    }
    KeyCloser closer{key};
    const auto value = QueryValue(root, key, name);
    if (!value)
        return {};
    const auto& [type, data] = *value;
    if (type == REG_SZ || type == REG_EXPAND_SZ)
        return StringData(data);
    if (type == REG_BINARY)
        return std::string(data.begin(), data.end());
    throw SettingsError("The setting " + Quoted(name) + " in " + Quoted(SettingsLocation(root)) +
                        " is not a text");
}

void WriteStoredSetting(SettingsRoot root, std::string_view name, std::string_view value) {
    if (!UsableName(name))
        throw WriteFailure(root, name, "the registry cannot hold that name");
    HKEY key = nullptr;
    LSTATUS status = RegCreateKeyExW(RootKey(root), kKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_WRITE, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS)
        throw WriteFailure(root, name, SystemMessage(static_cast<unsigned long>(status)));
    KeyCloser closer{key};
    const std::wstring valueName = Wide(name);
    if (UsableName(value)) {
        const std::wstring text = Wide(value);
        status = RegSetValueExW(key, valueName.c_str(), 0, REG_SZ,
                                reinterpret_cast<const BYTE*>(text.c_str()),
                                static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    } else {
        status = RegSetValueExW(key, valueName.c_str(), 0, REG_BINARY,
                                reinterpret_cast<const BYTE*>(value.data()),
                                static_cast<DWORD>(value.size()));
    }
    if (status != ERROR_SUCCESS)
        throw WriteFailure(root, name, SystemMessage(static_cast<unsigned long>(status)));
    // Written through at once, as the value must survive whatever happens next.
    RegFlushKey(key);
}

}  // namespace kb::platform
