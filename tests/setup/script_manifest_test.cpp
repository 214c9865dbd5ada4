// Kit Binder's manifest of a setup: the script's file list as the installer compiler reads it,
// and the same bytes as the manifest Kit Binder's own compiler writes.
#include "setup/script_manifest.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string_view>

#include "foundation/digest.h"
#include "foundation/files.h"
#include "tests/support/temp_folder.h"

namespace kb {
namespace {

TEST(ScriptFilesTest, ReadsEachFilesLineAsTheCompilerDoes) {
    struct Case {
        const char* name;
        std::string script;
        std::vector<std::pair<std::string, std::string>> files;  // source, install path
    };
    const Case cases[] = {
        {"bare values",
         "[Files]\nSource: /w/a.mac; \tDestDir: {app}\\Shared\\Anna;\n",
         {{"/w/a.mac", "{app}\\Shared\\Anna\\a.mac"}}},
        {"quoted, with a semicolon and doubled quotes",
         "[Files]\nSource: \"/w/x; \"\"y\"\".mac\"; DestDir: \"{app}\\A; B\";\n",
         {{"/w/x; \"y\".mac", "{app}\\A; B\\x; \"y\".mac"}}},
        {"names in any case, trailing backslashes, DestName",
         "[files]\r\nsource: /w/b.txt; destdir: {app}\\S\\\\; DESTNAME: c.txt\r\n",
         {{"/w/b.txt", "{app}\\S\\c.txt"}}},
        {"other sections, comments and blank lines",
         "[Setup]\nSource: /w/no.mac; DestDir: {app}\n[Files]\n; Source: /w/no.mac\n\n"
         "Source: /w/yes.mac; DestDir: {app}\n[Icons]\nName: {group}\\x; Filename: {app}\\x\n",
         {{"/w/yes.mac", "{app}\\yes.mac"}}},
        {"no files", "[Setup]\nAppName=x\n[Files]\n", {}},
    };
    for (const Case& c : cases) {
        std::vector<std::pair<std::string, std::string>> got;
        for (const ScriptFile& file : ScriptFiles(c.script))
            got.emplace_back(file.source, file.installPath);
        EXPECT_EQ(got, c.files) << c.name;
    }
}

// The manifest of an earlier setup does not stay beside the new one either.
TEST(SetupManifestTest, AnUnreadableFileIsNamedAndNoManifestIsLeft) {
    test::TempFolder folder;
    const std::string setup = folder.Path() + "/Coats.exe";
    WriteTextFile(setup, "setup");
    WriteTextFile(setup + ".sha256", "the manifest of an earlier setup");
    try {
        WriteSetupManifest(setup, {{"gone.mac", "{app}\\gone.mac"}}, folder.Path());
        ADD_FAILURE() << "a missing file was hashed";
    } catch (const std::exception& error) {
        EXPECT_NE(std::string(error.what()).find(folder.Path() + "/gone.mac"), std::string::npos)
            << error.what();
    }
    EXPECT_FALSE(FileExists(setup + ".sha256"));
}

// The manifest the compiler writes and the one Kit Binder writes from the same script are the
// same bytes: stored manifests and their readers see one format whoever wrote it.
TEST(SetupManifestTest, IsTheCompilersManifestByteForByte) {
    if (std::string_view(KB_COMPIL32_EXE).empty())
        GTEST_SKIP() << "no installer compiler is built for this system";
    if (std::system("command -v makensis > /dev/null") != 0)
        GTEST_SKIP() << "makensis is missing";
    test::TempFolder folder;
    const std::string dir = folder.Path();
    WriteTextFile(dir + "/semi;colon, (x).mac", "macro");
    WriteTextFile(dir + "/plain.txt", "text\n");
    const std::string script =
        "[Setup]\nAppName=Pieces\nDefaultDirName={pf}\\Pieces\nOutputDir=" + dir +
        "\nOutputBaseFilename=Pieces\n[Files]\nSource: \"" + dir +
        "/semi;colon, (x).mac\"; DestDir: \"{app}\\Shared\\A; B\";\n"
        "Source: plain.txt; DestDir: {app}\\Shared\\; DestName: other.txt\n";
    const std::string iss = dir + "/Pieces.iss";
    WriteTextFile(iss, script);
    const std::string command =
        std::string("'") + KB_COMPIL32_EXE + "' /cc '" + iss + "' > '" + dir + "/log' 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << ReadTextFile(dir + "/log");
    const std::string setup = dir + "/Pieces.exe";
    const std::string compilers = ReadTextFile(setup + ".sha256");
    ASSERT_NE(compilers.find("# file "), std::string::npos) << compilers;
    DeleteFile(setup + ".sha256");

    EXPECT_EQ(WriteSetupManifest(setup, ScriptFiles(script), dir), setup + ".sha256");
    EXPECT_EQ(ReadTextFile(setup + ".sha256"), compilers);
}

}  // namespace
}  // namespace kb
