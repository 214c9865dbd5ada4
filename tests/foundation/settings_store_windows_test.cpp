// The registry as other programs see the store's values.
#include <windows.h>

#include <gtest/gtest.h>

#include "foundation/errors.h"
#include "foundation/settings_store.h"
#include "tests/foundation/native_settings_scratch.h"

namespace kb {
namespace {

constexpr wchar_t kKey[] = L"SOFTWARE\\Bobbinwright\\KB10";

class RegistrySettings : public testing::Test {
  protected:
    // The type and data of a value of the key below HKEY_CURRENT_USER.
    std::pair<DWORD, std::wstring> Stored(const wchar_t* name) {
        DWORD type = REG_NONE;
        wchar_t data[256] = {};
        DWORD size = sizeof(data);
        EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, kKey, name, RRF_RT_ANY | RRF_NOEXPAND, &type,
                               data, &size),
                  ERROR_SUCCESS)
            << "no value of that name";
        return {type, std::wstring(data)};
    }
    void Store(const wchar_t* name, DWORD type, const void* data, DWORD size) {
        ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, kKey, name, type, data, size), ERROR_SUCCESS);
    }
    test::NativeSettingsScratch scratch{""};
};

TEST_F(RegistrySettings, ValuesAreStringsNamedAsWritten) {
    WriteSetting(SettingsRoot::CurrentUser, "Tab", "3");
    WriteSetting(SettingsRoot::CurrentUser,
                 "\xc3\x9c"
                 "ber/Anna_ActiveCollection",
                 "M\xc3\xa4ntel");
    EXPECT_EQ(Stored(L"Tab"), std::make_pair(DWORD(REG_SZ), std::wstring(L"3")));
    EXPECT_EQ(Stored(L"\u00dcber/Anna_ActiveCollection"),
              std::make_pair(DWORD(REG_SZ), std::wstring(L"M\u00e4ntel")));
}

TEST_F(RegistrySettings, BytesThatAreNoTextAreKeptAsBinary) {
    WriteSetting(SettingsRoot::CurrentUser, "Latin1", "Caf\xe9");
    EXPECT_EQ(Stored(L"Latin1").first, DWORD(REG_BINARY));
    EXPECT_EQ(ReadSetting(SettingsRoot::CurrentUser, "Latin1", ""), "Caf\xe9");
}

TEST_F(RegistrySettings, ValuesOfOtherProgramsRead) {
    const wchar_t expandable[] = L"%TEMP%";
    Store(L"Expand", REG_EXPAND_SZ, expandable, sizeof(expandable));
    const wchar_t unterminated[] = {L'a', L'b'};
    Store(L"Unterminated", REG_SZ, unterminated, sizeof(unterminated));
    const DWORD number = 7;
    Store(L"Number", REG_DWORD, &number, sizeof(number));

    EXPECT_EQ(ReadSetting(SettingsRoot::CurrentUser, "Expand", ""), "%TEMP%");
    EXPECT_EQ(ReadSetting(SettingsRoot::CurrentUser, "Unterminated", ""), "ab");
    try {
        ReadSetting(SettingsRoot::CurrentUser, "Number", "");
        FAIL();
    } catch (const SettingsError& e) {
        EXPECT_STREQ(e.what(),
                     "The setting \"Number\" in "
                     "\"HKEY_CURRENT_USER\\SOFTWARE\\Bobbinwright\\KB10\" is not a text");
    }
}

}  // namespace
}  // namespace kb
