#include "foundation/paths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "foundation/errors.h"
#include "foundation/files.h"

namespace kb {
namespace {

struct PathCase {
    const char* name;
    std::function<std::string()> call;
    std::string expected;
};

class PathTest : public testing::TestWithParam<PathCase> {};

TEST_P(PathTest, Gives) {
    EXPECT_EQ(GetParam().call(), GetParam().expected);
}

std::string Cwd() {
    return PathText(std::filesystem::current_path());
}

// The separator that joins insert here.
std::string Sep() {
    return std::string(1, kPathSeparator);
}

// A normalised path written for POSIX as this platform gives it: on Windows with "\" and on the
// current folder's drive.
std::string Normal(std::string posix) {
    if (kPathSeparator == '/')
        return posix;
    std::replace(posix.begin(), posix.end(), '/', '\\');
    return Cwd().substr(0, 2) + posix;
}

INSTANTIATE_TEST_SUITE_P(
    Paths, PathTest,
    testing::Values(
        PathCase{"FolderOfWindows", [] { return FolderOf("C:\\a\\b.txt"); }, "C:\\a"},
        PathCase{"NameOfWindows", [] { return NameOf("C:\\a\\b.txt"); }, "b.txt"},
        PathCase{"ExtensionOfWindows", [] { return ExtensionOf("C:\\a\\b.txt"); }, ".txt"},
        PathCase{"FolderOfBare", [] { return FolderOf("b.txt"); }, ""},
        PathCase{"NameOfBare", [] { return NameOf("b.txt"); }, "b.txt"},
        PathCase{"FolderOfPosix", [] { return FolderOf("/home/u/x.mac"); }, "/home/u"},
        PathCase{"NameOfMixed", [] { return NameOf("/home/u\\Pictures/x.jpg"); }, "x.jpg"},
        PathCase{"FolderOfMixed", [] { return FolderOf("a/b\\c"); }, "a/b"},
        PathCase{"DotInFolderOnly", [] { return ExtensionOf("C:\\ver1.2\\readme"); }, ".2\\readme"},
        PathCase{"ExtensionCaseKept", [] { return ExtensionOf("photo.JPG"); }, ".JPG"},
        PathCase{"NoExtension", [] { return ExtensionOf("README"); }, ""},
        PathCase{"JoinPlain", [] { return PathJoin("/a", "b"); }, "/a" + Sep() + "b"},
        PathCase{"JoinTrailing", [] { return PathJoin("C:\\a\\", "b"); }, "C:\\a\\b"},
        PathCase{"JoinRootedWins", [] { return PathJoin("C:\\a", "C:\\b"); }, "C:\\b"},
        PathCase{"JoinSlashRooted", [] { return PathJoin("/a", "/b"); }, "/b"},
        PathCase{"JoinEmptyFirst", [] { return PathJoin("", "b"); }, "b"},
        PathCase{"JoinEmptySecond", [] { return PathJoin("a", ""); }, "a"},
        PathCase{"JoinColon", [] { return PathJoin("C:", "b"); }, "C:b"},
        PathCase{"JoinFour", [] { return PathJoin("/a", "b", "c", "d"); },
                 "/a" + Sep() + "b" + Sep() + "c" + Sep() + "d"},
        PathCase{"JoinSkipsEmptyC", [] { return PathJoin("/a", "b", "", "d"); },
                 "/a" + Sep() + "b" + Sep() + "d"},
        PathCase{"InstallerJoin", [] { return InstallerPathJoin("{pf}", "Bob", "Mac"); },
                 "{pf}\\Bob\\Mac"},
        PathCase{"FullPathWindows", [] { return FullPath("C:\\a", "..\\b"); }, "C:\\b"},
        PathCase{"NormalizeWindowsSlashes", [] { return NormalizePath("C:/a/./b/"); },
                 "C:\\a\\b\\"},
        PathCase{"NormalizeAboveDrive", [] { return NormalizePath("C:\\..\\x"); }, "C:\\x"},
        PathCase{"NormalizePosix", [] { return NormalizePath("/a/./b/../c//d"); },
                 Normal("/a/c/d")},
        PathCase{"NormalizeKeepsTrailing", [] { return NormalizePath("/a/b/"); }, Normal("/a/b/")},
        PathCase{"NormalizeRoot", [] { return NormalizePath("/.."); }, Normal("/")},
        PathCase{"NormalizeBackslashAsSeparator", [] { return NormalizePath("/a\\b"); },
                 Normal("/a/b")},
        PathCase{"NormalizeRelative", [] { return NormalizePath("x/../y"); }, Cwd() + Sep() + "y"},
        PathCase{"NormalizeExtended", [] { return NormalizePath("\\\\?\\C:\\a\\..\\b"); },
                 "\\\\?\\C:\\a\\..\\b"},
        PathCase{"JoinIfBaseEmpty", [] { return JoinIfBase("", "x/../y"); }, "x/../y"},
        PathCase{"JoinIfBase", [] { return JoinIfBase("/a", "x/../y"); }, Normal("/a/y")},
        PathCase{"StripNameOnly", [] { return StripExtension("C:\\a\\b.tar.gz", true); }, "b.tar"},
        PathCase{"StripNameOnlyColon", [] { return StripExtension("C:b.txt", true); }, "b"},
        PathCase{"StripFull", [] { return StripExtension("C:\\a\\b.tar.gz", false); },
                 "C:\\a\\b.tar"},
        PathCase{"StripPosix", [] { return StripExtension("/w/x.y/name", false); },
                 Normal("/w/x.y/name")},
        PathCase{"ChangeExtension", [] { return ChangeExtension("/w/a.mac", "jpg"); },
                 Normal("/w/a.jpg")}),
    [](const testing::TestParamInfo<PathCase>& info) { return info.param.name; });

struct PathErrorCase {
    const char* name;
    std::function<void()> call;
    std::string message;
};

class PathErrorTest : public testing::TestWithParam<PathErrorCase> {};

TEST_P(PathErrorTest, Raises) {
    try {
        GetParam().call();
        FAIL() << "no error";
    } catch (const PathError& e) {
        EXPECT_EQ(std::string(e.what()), GetParam().message);
    }
}

const std::string kInvalid = "Invalid characters in path";

INSTANTIATE_TEST_SUITE_P(
    Errors, PathErrorTest,
    testing::Values(PathErrorCase{"JoinQuote", [] { PathJoin("/a", "b\"c"); }, kInvalid},
                    PathErrorCase{"JoinPipe", [] { PathJoin("/a|", "b"); }, kInvalid},
                    PathErrorCase{"JoinControl", [] { PathJoin("/a", "b\tc"); }, kInvalid},
                    PathErrorCase{"NormalizeEmpty", [] { NormalizePath(""); }, kInvalid},
                    PathErrorCase{"NormalizeBlank", [] { NormalizePath("   "); }, kInvalid},
                    PathErrorCase{"NormalizeLess", [] { NormalizePath("/a<b"); }, kInvalid},
                    PathErrorCase{"TooLong", [] { NormalizePath("/" + std::string(259, 'x')); },
                                  "The specified path is too long"},
                    PathErrorCase{
                        "TooLongAfterJoin",
                        [] { FullPath("/" + std::string(200, 'x'), std::string(60, 'y')); },
                        "The specified path is too long"}),
    [](const testing::TestParamInfo<PathErrorCase>& info) { return info.param.name; });

TEST(Paths, StarAndQuestionMarkAreValidAndLengthLimitIsExact) {
    EXPECT_EQ(PathJoin("/a", "*.?"), "/a" + Sep() + "*.?");
    const std::string root = Normal("/");
    EXPECT_EQ(NormalizePath(root + std::string(259 - root.size(), 'x')).size(), 259u);
}

// A plain name is one path part; a usable item name is also one that Windows keeps as typed.
TEST(Paths, NameRules) {
    struct Case {
        std::string name;
        bool plain;
        bool usable;
    };
    const Case cases[] = {
        {"Anna", true, true},    {"Coats 2", true, true},
        {"", false, false},      {".", false, false},
        {"..", false, false},    {"a/b", false, false},
        {"a\\b", false, false},  {"C:x", false, false},
        {"a|b", false, false},   {std::string("a\tb"), false, false},
        {"   ", true, false},    {"Coats ", true, false},
        {"Coats.", true, false}, {"Co?ts", true, false},
        {"Co*ts", true, false},  {"Co\x7fts", true, false},
        {"..Coats", true, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsPlainName(c.name), c.plain) << c.name;
        EXPECT_EQ(IsUsableItemName(c.name), c.usable) << c.name;
    }
    EXPECT_EQ(InFolder("/w/Designers", "Anna"), "/w/Designers" + Sep() + "Anna");
    EXPECT_EQ(InFolder("/w/", "a<b"),
              "/w/" + Sep() + "a<b");  // as written: nothing checked or merged
}

TEST(Paths, PathErrorNamesThePath) {
    try {
        NormalizePath("/bad|name");
        FAIL();
    } catch (const PathError& e) {
        EXPECT_EQ(e.Path(), "/bad|name");
    }
}

}  // namespace
}  // namespace kb
