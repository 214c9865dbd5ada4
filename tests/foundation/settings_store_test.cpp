#include "foundation/settings_store.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "foundation/errors.h"
#include "foundation/files.h"
#include "tests/foundation/native_settings_scratch.h"
#include "tests/support/temp_folder.h"

namespace kb {
namespace {

// Each test runs against both stores: the INI file in a folder that tests and sample
// workspaces point the store at, and the platform's own (moved to a scratch place).
enum class Store { Folder, Native };

class SettingsStore : public testing::TestWithParam<Store> {
  protected:
    void SetUp() override {
        if (GetParam() == Store::Native) {
            native_ = std::make_unique<test::NativeSettingsScratch>(dir.Path());
            return;
        }
        SetSettingsFolder(SettingsRoot::CurrentUser, dir / "user");
        SetSettingsFolder(SettingsRoot::LocalMachine, dir / "machine");
    }
    void TearDown() override {
        SetSettingsFolder(SettingsRoot::CurrentUser, "");
        SetSettingsFolder(SettingsRoot::LocalMachine, "");
        native_.reset();
    }
    std::string Location(SettingsRoot root) const {
        if (native_)
            return native_->Location(root);
        return dir / (root == SettingsRoot::CurrentUser ? "user" : "machine") +
               "/Bobbinwright/KB10.conf";
    }
    bool Exists(SettingsRoot root) const {
        return native_ ? native_->Exists(root) : FileExists(Location(root));
    }
    test::TempFolder dir;

  private:
    std::unique_ptr<test::NativeSettingsScratch> native_;
};

INSTANTIATE_TEST_SUITE_P(Stores, SettingsStore, testing::Values(Store::Folder, Store::Native),
                         [](const testing::TestParamInfo<Store>& info) {
                             return info.param == Store::Folder ? "Folder" : "Native";
                         });

TEST_P(SettingsStore, ReadingAMissingValueCreatesNothing) {
    for (SettingsRoot root : {SettingsRoot::CurrentUser, SettingsRoot::LocalMachine})
        EXPECT_EQ(SettingsFile(root), Location(root));
    EXPECT_EQ(ReadSetting(SettingsRoot::CurrentUser, "Designer", "none"), "none");
    EXPECT_FALSE(Exists(SettingsRoot::CurrentUser));
    WriteSetting(SettingsRoot::CurrentUser, "Tab", "2");
    EXPECT_TRUE(Exists(SettingsRoot::CurrentUser));
    EXPECT_EQ(ReadSetting(SettingsRoot::CurrentUser, "Designer", "none"), "none");
    EXPECT_FALSE(Exists(SettingsRoot::LocalMachine));
}

TEST_P(SettingsStore, ValuesRoundTrip) {
    const std::vector<std::pair<std::string, std::string>> values = {
        {"Tab", "3"},
        {"Designer", "Anna"},
        {"Anna_ActiveCollection", "Summer, 2024; \"best\""},
        {"KB_Id", "  spaced  "},
        {"Unicode",
         "\xc3\x9c"
         "ber"},
        {"Latin1", "Caf\xe9"},
        {"Nul", std::string("a\0b", 3)},
        {"Special", "a=b [c] #d $e \\f /g %h"},
        {"Multi", "line1\nline2"},
    };
    for (const auto& [name, value] : values)
        WriteSetting(SettingsRoot::CurrentUser, name, value);
    for (const auto& [name, value] : values) {
        EXPECT_EQ(ReadSetting(SettingsRoot::CurrentUser, name, "default"), value) << name;
    }
    EXPECT_EQ(ReadSetting(SettingsRoot::LocalMachine, "Tab", "m"), "m");
}

TEST_P(SettingsStore, EmptyValueReadsAsTheDefault) {
    WriteSetting(SettingsRoot::CurrentUser, "Designer", "Anna");
    WriteSetting(SettingsRoot::CurrentUser, "Designer", "");
    EXPECT_EQ(ReadSetting(SettingsRoot::CurrentUser, "Designer", "fallback"), "fallback");
    EXPECT_EQ(ReadSetting(SettingsRoot::CurrentUser, "", "fallback"), "fallback");
    EXPECT_THROW(WriteSetting(SettingsRoot::CurrentUser, "", "x"), SettingsError);
}

// Separators in value names never reach into another key.
TEST_P(SettingsStore, NamesMapOneToOne) {
    const std::vector<std::string> names = {"a/b_ActiveCollection",
                                            "a\\b_ActiveCollection",
                                            "a%2Fb_ActiveCollection",
                                            "a_ActiveCollection",
                                            "General",
                                            "a b",
                                            "\xc3\x9c"
                                            "ber_ActiveCollection"};
    for (size_t i = 0; i < names.size(); ++i) {
        WriteSetting(SettingsRoot::CurrentUser, names[i], "value" + std::to_string(i));
    }
    for (size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(ReadSetting(SettingsRoot::CurrentUser, names[i], ""), "value" + std::to_string(i))
            << names[i];
    }
}

// The INI file's own failures, on every platform.
class SettingsFolder : public testing::Test {
  protected:
    void SetUp() override { SetSettingsFolder(SettingsRoot::CurrentUser, dir / "user"); }
    void TearDown() override { SetSettingsFolder(SettingsRoot::CurrentUser, ""); }
    test::TempFolder dir;
};

TEST_F(SettingsFolder, ReadingLeavesTheFileAsItIs) {
    WriteSetting(SettingsRoot::CurrentUser, "Tab", "2");
    std::string before = ReadTextFile(SettingsFile(SettingsRoot::CurrentUser));
    EXPECT_EQ(ReadSetting(SettingsRoot::CurrentUser, "Designer", "none"), "none");
    EXPECT_EQ(ReadTextFile(SettingsFile(SettingsRoot::CurrentUser)), before);
}

TEST_F(SettingsFolder, AValueThatIsNotATextRaises) {
    WriteTextFile(SettingsFile(SettingsRoot::CurrentUser), "[General]\nTab=1, 2\n");
    EXPECT_THROW(ReadSetting(SettingsRoot::CurrentUser, "Tab", ""), SettingsError);
}

TEST_F(SettingsFolder, UnwritableLocationRaisesNamingTheFile) {
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
