#include <windows.h>

#include <stdexcept>

#include "tests/foundation/native_settings_scratch.h"

namespace kb::test {

namespace {

// Below the real HKEY_CURRENT_USER; one key per test process.
std::wstring ScratchKey() {
    return L"Software\\KitBinder tests\\" + std::to_wstring(GetCurrentProcessId());
}

HKEY CreatedKey(const std::wstring& path) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        throw std::runtime_error("cannot create the scratch registry key");
    }
    return key;
}

HKEY RootKey(SettingsRoot root) {
    return root == SettingsRoot::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

}  // namespace

struct NativeSettingsScratch::Saved {
    HKEY user = nullptr;
    HKEY machine = nullptr;
};

NativeSettingsScratch::NativeSettingsScratch(const std::string& /*tempFolder*/)
    : saved_(std::make_unique<Saved>()) {
    saved_->user = CreatedKey(ScratchKey() + L"\\user");
    saved_->machine = CreatedKey(ScratchKey() + L"\\machine");
    RegOverridePredefKey(HKEY_CURRENT_USER, saved_->user);
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, saved_->machine);
}

NativeSettingsScratch::~NativeSettingsScratch() {
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    RegCloseKey(saved_->user);
    RegCloseKey(saved_->machine);
    RegDeleteTreeW(HKEY_CURRENT_USER, ScratchKey().c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\KitBinder tests");
}

std::string NativeSettingsScratch::Location(SettingsRoot root) const {
    return root == SettingsRoot::CurrentUser ? "HKEY_CURRENT_USER\\SOFTWARE\\Bobbinwright\\KB10"
                                             : "HKEY_LOCAL_MACHINE\\SOFTWARE\\Bobbinwright\\KB10";
}

bool NativeSettingsScratch::Exists(SettingsRoot root) const {
    HKEY key = nullptr;
    if (RegOpenKeyExW(RootKey(root), L"SOFTWARE\\Bobbinwright\\KB10", 0, KEY_READ, &key) !=
        ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

}  // namespace kb::test
