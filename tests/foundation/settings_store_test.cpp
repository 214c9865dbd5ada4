#include "foundation/settings_store.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "foundation/errors.h"
#include "foundation/files.h"
#include "tests/support/temp_folder.h"

namespace kb {
namespace {

class SettingsStore : public testing::Test {
  protected:
    void SetUp() override {
        SetSettingsFolder(SettingsRoot::CurrentUser, dir / "user");
        SetSettingsFolder(SettingsRoot::LocalMachine, dir / "machine");
    }
    void TearDown() override {
        SetSettingsFolder(SettingsRoot::CurrentUser, "");
        SetSettingsFolder(SettingsRoot::LocalMachine, "");
    }
    test::TempFolder dir;
};

TEST_F(SettingsStore, ReadingAMissingValueCreatesNothing) {
    EXPECT_EQ(SettingsFile(SettingsRoot::CurrentUser), dir / "user/Bobbinwright/KB10.conf");
    EXPECT_EQ(ReadSetting(SettingsRoot::CurrentUser, "Designer", "none"), "none");
    EXPECT_FALSE(std::filesystem::exists(dir / "user"));
    WriteSetting(SettingsRoot::CurrentUser, "Tab", "2");
    std::string before = ReadTextFile(SettingsFile(SettingsRoot::CurrentUser));
    EXPECT_EQ(ReadSetting(SettingsRoot::CurrentUser, "Designer", "none"), "none");
    EXPECT_EQ(ReadTextFile(SettingsFile(SettingsRoot::CurrentUser)), before);
}

TEST_F(SettingsStore, WriteCreatesTheFileAndValuesRoundTrip) {
    const std::vector<std::pair<std::string, std::string>> values = {
        {"Tab", "3"},
        {"Designer", "Anna"},
        {"Anna_ActiveCollection", "Summer, 2024; \"best\""},
        {"KB_Id", "  spaced  "},
        {"Unicode",
         "\xc3\x9c"
         "ber"},
        {"Latin1", "Caf\xe9"},
        {"Special", "a=b [c] #d $e \\f /g %h"},
        {"Multi", "line1\nline2"},
    };
    for (const auto& [name, value] : values)
        WriteSetting(SettingsRoot::CurrentUser, name, value);
    EXPECT_TRUE(FileExists(dir / "user/Bobbinwright/KB10.conf"));
    for (const auto& [name, value] : values) {
        EXPECT_EQ(ReadSetting(SettingsRoot::CurrentUser, name, "default"), value) << name;
    }
    EXPECT_EQ(ReadSetting(SettingsRoot::LocalMachine, "Tab", "m"), "m");
}

TEST_F(SettingsStore, EmptyValueReadsAsTheDefault) {
    WriteSetting(SettingsRoot::CurrentUser, "Designer", "");
    EXPECT_EQ(ReadSetting(SettingsRoot::CurrentUser, "Designer", "fallback"), "fallback");
}

// Separators in value names never reach into another key.
TEST_F(SettingsStore, NamesMapOneToOne) {
    const std::vector<std::string> names = {"a/b_ActiveCollection",
                                            "a\\b_ActiveCollection",
                                            "a%2Fb_ActiveCollection",
                                            "a_ActiveCollection",
                                            "General",
                                            "a b"};
    for (size_t i = 0; i < names.size(); ++i) {
        WriteSetting(SettingsRoot::CurrentUser, names[i], "value" + std::to_string(i));
    }
    for (size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(ReadSetting(SettingsRoot::CurrentUser, names[i], ""), "value" + std::to_string(i))
            << names[i];
    }
}

TEST_F(SettingsStore, AValueThatIsNotATextRaises) {
    WriteTextFile(SettingsFile(SettingsRoot::CurrentUser), "[General]\nTab=1, 2\n");
    EXPECT_THROW(ReadSetting(SettingsRoot::CurrentUser, "Tab", ""), SettingsError);
}

TEST_F(SettingsStore, UnwritableLocationRaisesNamingTheFile) {
    WriteTextFile(dir / "blocked", "a file where the folder should be");
    SetSettingsFolder(SettingsRoot::CurrentUser, dir / "blocked");
    try {
        WriteSetting(SettingsRoot::CurrentUser, "Tab", "1");
        FAIL();
    } catch (const SettingsError& e) {
        EXPECT_NE(std::string(e.what()).find("KB10.conf"), std::string::npos);
    }
}

}  // namespace
}  // namespace kb
