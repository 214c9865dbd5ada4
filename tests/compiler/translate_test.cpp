// The compiler's front end: script reading, the NSIS text it writes, and its error messages.
#include <gtest/gtest.h>

#include "compiler/installer_compiler.h"
#include "compiler/nsis_text.h"
#include "compiler/nsis_writer.h"
#include "compiler/password_hash.h"
#include "compiler/script_encoding.h"
#include "tests/compiler/sample_setup.h"
#include "tests/support/temp_folder.h"

namespace compiler::test {
namespace {

constexpr const char* kFixedSalt = "00112233445566778899aabbccddeeff";

// The NSIS text for the sample, with its temporary folder written as "@ROOT@".
std::string SampleNsis(const std::string& target) {
    kb::test::TempFolder root;
    const SampleSetup sample = MakeSampleSetup(root.Path());
    const ReadScript read = ReadSetupScript(sample.script);
    EXPECT_TRUE(read.warnings.empty()) << read.warnings.front();
    const NsisInputs inputs = PlanInputs(read.plan, "/stage", target, kFixedSalt);
    return ReplaceAll(WriteNsisScript(read.plan, inputs), root.Path(), "@ROOT@");
}

// KB_UPDATE_GOLDEN=1 rewrites the golden text after a deliberate change of the translation.
TEST(Compil32Translation, SampleScriptGivesTheGoldenNsisScript) {
    const std::string nsis = SampleNsis("x86-unicode");
    if (std::getenv("KB_UPDATE_GOLDEN"))
        WriteBytes(KB_COMPIL32_DATA "/coats.nsi", nsis);
    EXPECT_EQ(nsis, ReadBytes(KB_COMPIL32_DATA "/coats.nsi"));
}

TEST(Compil32Translation, Amd64TargetChangesOnlyTheTargetLine) {
    const std::string x86 = SampleNsis("x86-unicode");
    EXPECT_EQ(ReplaceAll(SampleNsis("amd64-unicode"), "Target amd64-unicode", "Target x86-unicode"),
              x86);
}

// A script whose [Setup] section is complete; tests append the lines they need.
std::string ScriptWith(const std::string& lines) {
    return "[Setup]\nAppName=Anna - Coats\nDefaultDirName={pf32}\\Bobbinwright Software\n" + lines;
}

struct ErrorCase {
    const char* name;
    std::string text;
    int line;
    const char* message;  // part of the message after "file:line: "
};

// Test listings name a case by its name, not by its bytes.
void PrintTo(const ErrorCase& errorCase, std::ostream* stream) {
    *stream << errorCase.name;
}

class Compil32Errors : public testing::TestWithParam<ErrorCase> {};

TEST_P(Compil32Errors, NameTheFileAndLine) {
    kb::test::TempFolder root;
    const SampleSetup sample = MakeSampleSetup(root.Path());
    const std::string script =
        WriteScript(sample, "Broken.iss", ReplaceAll(GetParam().text, "@WS@", sample.workspace));
    try {
        ReadSetupScript(script);
        FAIL() << "no error for " << GetParam().name;
    } catch (const CompileError& error) {
        const std::string where = script + ":" + std::to_string(GetParam().line) + ": ";
        EXPECT_EQ(std::string(error.what()).substr(0, where.size()), where) << error.what();
        EXPECT_NE(std::string(error.what()).find(GetParam().message), std::string::npos)
            << error.what();
    }
}

const std::string kCheck =
    "[Code]\n"
    "function InitializeSetup(): Boolean;\n"
    "begin\n"
    "  if RegKeyExists(HKLM, 'SOFTWARE\\Bobbinwright\\V75')=False\n"
    "  then\n"
    "    begin\n"
    "      MsgBox('Missing.', mbError, MB_OK);\n"
    "      Result := False;\n"
    "    end\n"
    "  else\n"
    "    Result := True;\n"
    "end;\n";

INSTANTIATE_TEST_SUITE_P(
    Table, Compil32Errors,
    testing::Values(
        ErrorCase{"MissingSource",
                  ScriptWith("[Files]\nSource: @WS@/nothing.jpg; DestDir: {app}\n"), 5,
                  "does not exist"},
        ErrorCase{"Wildcard", ScriptWith("[Files]\nSource: @WS@/*.jpg; DestDir: {app}\n"), 5,
                  "Wildcards"},
        ErrorCase{"UnknownConstant", ScriptWith("\n[Dirs]\nName: {nowhere}\\Coats\n"), 6,
                  "Unknown constant \"{nowhere}\""},
        ErrorCase{"UnclosedConstant", ScriptWith("[Dirs]\nName: {app\\Coats\n"), 5, "not closed"},
        // Names and texts take constants too: a brace of a name must be written "{{".
        ErrorCase{"ConstantInAppName",
                  "\n[Setup]\nAppName=An{na} - Coats\nDefaultDirName={pf32}\\B\n", 3,
                  "Unknown constant \"{na}\""},
        ErrorCase{"UnclosedInVerName", ScriptWith("AppVerName=An{na - Coats 1\n"), 4, "not closed"},
        ErrorCase{"KnownConstantInPublisher", ScriptWith("AppPublisher={app}\n"), 4,
                  "\"{app}\" cannot be used here"},
        ErrorCase{"ConstantInUninstallName", ScriptWith("UninstallDisplayName=x {y}\n"), 4,
                  "Unknown constant \"{y}\""},
        ErrorCase{"ConstantInIconComment",
                  ScriptWith("[Icons]\nName: {group}\\a; Filename: {app}\\a; Comment: {C}oat\n"), 5,
                  "Unknown constant \"{C}\""},
        ErrorCase{"UnclosedQuote", ScriptWith("[Dirs]\nName: \"{app}\\Coats\n"), 5,
                  "closing quote"},
        ErrorCase{"TextAfterQuote",
                  ScriptWith("[Dirs]\nName: \"{app}\" x; Flags: uninsneveruninstall\n"), 5,
                  "after the quoted value"},
        ErrorCase{"MissingDestDir", ScriptWith("[Files]\nSource: @WS@/Designers/Anna/Anna.jpg\n"),
                  5, "\"DestDir\""},
        ErrorCase{"ParameterTwice", ScriptWith("[Dirs]\nName: {app}\\a; name: {app}\\b\n"), 5,
                  "twice"},
        ErrorCase{"NotABitmap", ScriptWith("WizardImageFile=@WS@/Designers/Anna/Anna.jpg\n"), 4,
                  "is not a BMP picture"},
        ErrorCase{"BadFlagValue", ScriptWith("DisableDirPage=maybe\n"), 4, "yes or no"},
        ErrorCase{"BadPrivileges", ScriptWith("PrivilegesRequired=root\n"), 4,
                  "PrivilegesRequired"},
        ErrorCase{"NoEquals", ScriptWith("AppVersion 0.1\n"), 4, "Directive=value"},
        ErrorCase{"RunEntries", ScriptWith("[Run]\nFilename: {app}\\x.exe\n"), 5, "[Run]"},
        ErrorCase{"Preprocessor", "#define X 1\n" + ScriptWith(""), 1, "Preprocessor"},
        ErrorCase{"OutsideSection", "AppName=x\n" + ScriptWith(""), 1, "outside of any section"},
        ErrorCase{"NoAppName", "\n[Setup]\nDefaultDirName={app}\n", 2, "AppName"},
        ErrorCase{"OtherPascal", ScriptWith(kCheck + "procedure Other;\nbegin\nend;\n"), 16,
                  "expected the end of [Code], found \"procedure\""},
        ErrorCase{"OtherRoot", ScriptWith(ReplaceAll(kCheck, "HKLM", "HKCU")), 7, "expected HKLM"},
        ErrorCase{"VarBlock",
                  ScriptWith(ReplaceAll(kCheck, "begin\n  if", "var\n  X: Integer;\nbegin\n  if")),
                  6, "expected \"begin\", found \"var\""},
        ErrorCase{"UnclosedString", ScriptWith(ReplaceAll(kCheck, "'Missing.'", "'Missing.")), 10,
                  "String is not closed"},
        ErrorCase{"UnclosedComment", ScriptWith(kCheck + "{ a comment\n"), 16,
                  "Comment is never closed"},
        // makensis ends a line at a lone CR: no control character may reach its text.
        ErrorCase{"CrInDirective",
                  "[Setup]\nAppName=Evil\r!system \"touch /tmp/x\"\r;\nDefaultDirName={app}\n", 2,
                  "Control character (code 13)"},
        ErrorCase{"CrInQuotedDirective", ScriptWith("AppVersion=\"1\r!execute x\"\n"), 4,
                  "Control character (code 13)"},
        ErrorCase{"CrInParameter",
                  ScriptWith("[Icons]\nName: {group}\\a; Filename: {app}\\a; Comment: \"x\r!y\"\n"),
                  5, "Control character (code 13)"},
        ErrorCase{"TabInValue", ScriptWith("AppPublisher=An\tna\n"), 4,
                  "Control character (code 9)"},
        ErrorCase{"EscapeInSectionHeader", ScriptWith("[Fi\x1bles]\n"), 4,
                  "Control character (code 27)"},
        ErrorCase{"ControlInCode", ScriptWith(ReplaceAll(kCheck, "'Missing.'", "'Miss\x0bing.'")),
                  10, "Control character (code 11)"}),
    [](const testing::TestParamInfo<ErrorCase>& info) { return info.param.name; });

TEST(Compil32Warnings, UnknownDirectivesParametersAndSectionsAreReportedWithTheirLine) {
    kb::test::TempFolder root;
    const SampleSetup sample = MakeSampleSetup(root.Path());
    const std::string script = WriteScript(
        sample, "Warned.iss",
        ScriptWith(
            "AppMutex=x\n[Dirs]\nName: {app}\\a; Tasks: icons; Flags: uninsneveruninstall odd\n"
            "[Frobnicate]\nwhatever\n"));
    const ReadScript read = ReadSetupScript(script);
    ASSERT_EQ(read.warnings.size(), 4u);
    EXPECT_EQ(read.warnings[0], script + ":4: warning: Unknown directive \"AppMutex\" ignored");
    EXPECT_EQ(read.warnings[1], script + ":6: warning: Unknown parameter \"Tasks\" ignored");
    EXPECT_EQ(read.warnings[2], script + ":6: warning: Unknown flag \"odd\" ignored");
    EXPECT_EQ(read.warnings[3], script + ":7: warning: Unknown section [Frobnicate] ignored");
    EXPECT_FALSE(read.plan.dirs.front().uninstall);
}

TEST(Compil32Reading, QuotedValuesCommentsAndTheRegistryCheck) {
    kb::test::TempFolder root;
    const SampleSetup sample = MakeSampleSetup(root.Path());
    const std::string script =
        WriteScript(sample, "Quoted.iss",
                    ScriptWith("; a comment\n[Icons]\nName: \"{group}\\Say \"\"hi\"\"; {{now}\"; "
                               "Filename: {app}\\a.mac; "
                               "Comment: \"  spaced  \"\n") +
                        ReplaceAll(kCheck, "'Missing.'", "'It''s missing.'"));
    const ReadScript read = ReadSetupScript(script);
    ASSERT_EQ(read.plan.icons.size(), 1u);
    EXPECT_EQ(read.plan.icons[0].name, "Say $\\\"hi$\\\"; {now}");
    EXPECT_EQ(read.plan.icons[0].comment, "  spaced  ");
    EXPECT_TRUE(read.plan.icons[0].inGroup);
    ASSERT_TRUE(read.plan.registryCheck);
    EXPECT_EQ(read.plan.registryCheck->key, "SOFTWARE\\Bobbinwright\\V75");
    EXPECT_EQ(read.plan.registryCheck->message, "It's missing.");
    EXPECT_EQ(read.plan.registryCheck->icon, "MB_ICONSTOP");
}

TEST(Compil32Reading, Windows1252ScriptsAreConverted) {
    kb::test::TempFolder root;
    const SampleSetup sample = MakeSampleSetup(root.Path());
    const std::string script =
        WriteScript(sample, "Ansi.iss", ScriptWith("AppPublisher=Ren\xE9\x80\n"));
    EXPECT_EQ(ReadSetupScript(script).plan.appPublisher, "Ren\xC3\xA9\xE2\x82\xAC");
    const std::string utf8 =
        WriteScript(sample, "Utf8.iss", "\xEF\xBB\xBF" + ScriptWith("AppPublisher=Ren\xC3\xA9\n"));
    EXPECT_EQ(ReadSetupScript(utf8).plan.appPublisher, "Ren\xC3\xA9");
}

// The uninstaller removes each folder the files went into, and its parents, when left empty:
// below {app} and below any other root alike, deepest first, never the root itself.
TEST(Compil32Translation, UninstallRemovesTheFoldersOfInstalledFilesWhenEmpty) {
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"{app}\\Shared\\Anna", {"$INSTDIR\\Shared\\Anna", "$INSTDIR\\Shared"}},
        {"{pf}\\Bobbinwright Software\\Shared\\Anna",
         {"$PROGRAMFILES32\\Bobbinwright Software\\Shared\\Anna",
          "$PROGRAMFILES32\\Bobbinwright Software\\Shared",
          "$PROGRAMFILES32\\Bobbinwright Software"}},
        {"{app}", {}},
    };
    for (const auto& [destDir, folders] : cases) {
        kb::test::TempFolder root;
        const SampleSetup sample = MakeSampleSetup(root.Path());
        const std::string script =
            WriteScript(sample, "Folders.iss",
                        ScriptWith(std::string("[Files]\nSource: ") + sample.workspace +
                                   "/Designers/Anna/Anna.jpg; DestDir: " + destDir + "\n"));
        const ReadScript read = ReadSetupScript(script);
        const std::string nsis =
            WriteNsisScript(read.plan, PlanInputs(read.plan, "/stage", "x86-unicode", kFixedSalt));
        const std::string uninstall = nsis.substr(nsis.find("Section \"Uninstall\""));
        size_t at = 0;
        for (const std::string& folder : folders) {
            const size_t found = uninstall.find("  RMDir \"" + folder + "\"\n", at);
            ASSERT_NE(found, std::string::npos) << destDir << ": " << folder << "\n" << uninstall;
            at = found;
        }
        EXPECT_EQ(uninstall.find("RMDir \"$PROGRAMFILES32\"\n"), std::string::npos) << destDir;
    }
}

struct PathCase {
    const char* inno;
    const char* nsis;
};

TEST(Compil32Text, InstallerPathsBecomeNsisStrings) {
    const PathCase cases[] = {
        {"{app}\\Shared\\Designers\\Anna", "$INSTDIR\\Shared\\Designers\\Anna"},
        {"{pf32}\\Bobbinwright Software", "$PROGRAMFILES32\\Bobbinwright Software"},
        {"{PF}\\x", "$PROGRAMFILES32\\x"},
        {"{group}\\Coats\\Coat1", "$SMPROGRAMS\\$StartMenuGroup\\Coats\\Coat1"},
        {"Bobbinwright Software\\Collections\\Anna\\", "Bobbinwright Software\\Collections\\Anna"},
        {"{app}\\\\a\\\\b", "$INSTDIR\\a\\b"},
        {"{app}\\{{x}\\$1 \"q\"", "$INSTDIR\\{x}\\$$1 $\\\"q$\\\""},
    };
    for (const PathCase& c : cases)
        EXPECT_EQ(NsisInstallerPath(c.inno), c.nsis) << c.inno;
    EXPECT_THROW(NsisInstallerPath("{userappdata}\\x"), std::invalid_argument);
    // makensis expands "${" and reads "$\" before "$$": after an escaped "$" both are code points.
    const PathCase dollars[] = {
        {"{app}\\${{NSISDIR}", "$INSTDIR\\$$${U+7B}NSISDIR}"},
        {"{app}\\a$\\n$\\{app}", "$INSTDIR\\a$$${U+5C}n$$${U+5C}$INSTDIR"},
        {"$$\\$(x)$0", "$$$$${U+5C}$$(x)$$0"},
    };
    for (const PathCase& c : dollars)
        EXPECT_EQ(NsisInstallerPath(c.inno), c.nsis) << c.inno;
    EXPECT_EQ(NsisEscape("${NSISDIR} $\\r {x}\\"), "$$${U+7B}NSISDIR} $$${U+5C}r {x}\\");
    EXPECT_EQ(NsisJoin("$INSTDIR\\a$$", "b"), "$INSTDIR\\a$$${U+5C}b");
    EXPECT_EQ(NsisJoin("$INSTDIR", "b"), "$INSTDIR\\b");
    // makensis reads OutFile and File sources without variables: "$" stays single there.
    EXPECT_EQ(NsisLocalPath("/w/S$0 ${x} $\\n \"q\".exe"),
              "\"/w/S$0 $${U+7B}x} $${U+5C}n $\\\"q$\\\".exe\"");
    EXPECT_EQ(NsisQuote("a$b\"c\r\n\t"), "\"a$$b$\\\"c$\\r$\\n$\\t\"");
}

TEST(Compil32Text, LiteralTextsReadDoubledBracesAsOne) {
    const std::pair<const char*, const char*> cases[] = {
        {"Anna - Coats", "Anna - Coats"},
        {"An{{na} - Co}ats", "An{na} - Co}ats"},
        {"{{{{", "{{"},
        {"{{", "{"},
        {"$${{x}", "$${x}"},
        {"", ""},
    };
    for (const auto& [inno, text] : cases)
        EXPECT_EQ(InnoLiteralText(inno), text) << inno;
    for (const char* refused : {"{", "a{{{b}", "{pf}", "x{", "{}"})
        EXPECT_THROW(InnoLiteralText(refused), std::invalid_argument) << refused;
}

TEST(Compil32Text, PasswordDigestMatchesPbkdf2OfTheUtf16Texts) {
    // Reference digest taken from Windows' BCryptDeriveKeyPBKDF2 with the same inputs.
    const PasswordHash hash = HashPassword("sec ret", "0123456789abcdef");
    EXPECT_EQ(hash.digest, "3d11297003698fec7c4fd8ed8e0fd951869b625f3b3d051326d1772e35235f54");
    EXPECT_EQ(hash.iterations, kPasswordIterations);
    const std::string salt = CollectionSalt("Anna - Coats", {"ab", "cd"});
    EXPECT_EQ(salt.size(), 32u);
    EXPECT_EQ(salt, CollectionSalt("Anna - Coats", {"ab", "cd"}));
    EXPECT_NE(salt, CollectionSalt("Anna - Hats", {"ab", "cd"}));
    EXPECT_NE(salt, CollectionSalt("Anna - Coats", {"ab", "ce"}));
    EXPECT_NE(salt, CollectionSalt("Anna - Coats", {"abcd"}));
}

TEST(Compil32Text, ScriptTextDecoding) {
    EXPECT_EQ(DecodeScriptText("\xEF\xBB\xBFok"), "ok");
    EXPECT_EQ(DecodeScriptText("caf\xC3\xA9"), "caf\xC3\xA9");
    EXPECT_EQ(DecodeScriptText("caf\xE9"), "caf\xC3\xA9");
    // Overlong and surrogate encodings are not UTF-8, so the bytes are Windows-1252.
    EXPECT_EQ(DecodeScriptText("\xC0\xAF"), "\xC3\x80\xC2\xAF");
    EXPECT_EQ(Utf16LeBytes("A\xC3\xA9"), std::string("A\0\xE9\0", 4));
}

}  // namespace
}  // namespace compiler::test
