#include "setup/setup_script.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <iterator>

#include "foundation/files.h"
#include "foundation/paths.h"
#include "setup/script_text.h"
#include "tests/support/sample_collection.h"

namespace kb {
namespace {

using test::SampleCollection;

constexpr const char* kUnwritten = "Enter text or double-click to load file.";

std::string ReplaceEvery(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

// Fills a folder placeholder of a golden text: each path written after it with "/" takes the
// system's separator, as the program writes paths.
std::string FillFolder(std::string text, const std::string& placeholder,
                       const std::string& folder) {
    for (size_t at = text.find(placeholder); at != std::string::npos;
         at = text.find(placeholder, at + folder.size())) {
        const size_t end = text.find_first_of(";\n", at);
        const size_t pathEnd = end == std::string::npos ? text.size() : end;
        text.replace(at, pathEnd - at,
                     folder + test::Native(text.substr(at + placeholder.size(),
                                                       pathEnd - at - placeholder.size())));
    }
    return text;
}

bool HasControlCharacter(const std::string& name) {
    return std::any_of(name.begin(), name.end(), [](unsigned char c) { return c < 32; });
}

bool HasLine(const std::string& script, const std::string& line) {
    return script.find("\n" + line + "\n") != std::string::npos;
}

// The lines of one section, without its header.
std::string Section(const std::string& script, const std::string& header) {
    const size_t start = script.find("[" + header + "]\n");
    if (start == std::string::npos) {
        return "(no section " + header + ")";
    }
    const size_t body = start + header.size() + 3;
    const size_t next = script.find("\n[", body);
    return script.substr(body, next == std::string::npos ? std::string::npos : next + 1 - body);
}

// The worked outline: designer Anna, collection Coats, macros Coat1 (with a PDF document) and
// Coat2, the table Women with PDF instructions, a website and no password.
class WorkedOutline : public ::testing::Test {
  protected:
    WorkedOutline() : sample("Anna", "Coats") {
        sample.Write(sample.DesignerFile("Anna.jpg"));
        sample.Write(sample.DesignerFile("Anna.txt"), kUnwritten);
        sample.Write(sample.DesignerFile("Website.txt"), "www.anna-patterns.example");
        sample.Write(sample.CollectionFile("Coats.jpg"));
        sample.Write(sample.CollectionFile("Coats.txt"), "Warm winter coats.");
        sample.AddGarment("Coat1",
                          "measure_table(\"Women\")\nadd_pict_item(1, \"Front.bmp\")\n"
                          "measure_table(\"Women\")\n");
        sample.Write(sample.CollectionFile("Coat1.jpg"));
        sample.Write(sample.CollectionFile("Coat1.pdf"));
        sample.Write(sample.CollectionFile("Front.jpg"));
        sample.AddGarment("Coat2", "add_pict_item(2, \"Back.jpg\")\n");
        sample.Write(sample.WorkspaceFile("MeasureTables/Women.mmt"),
                     "Women\tcm\tx\nBust\t92.5\tB\tbust\n");
        sample.Write(sample.WorkspaceFile("MeasureTables/Women.pdf"));
        sample.Write(sample.WorkspaceFile("MeasurePictures/bust.jpg"));
        sample.data.website = "www.anna-patterns.example";
    }

    std::string Build(const std::vector<std::string>& garments = {"Coat1", "Coat2"}) {
        return BuildSetupScript(sample.data, MakeScanInputs(garments), "Coats");
    }

    // The script the outline must give: the golden text with its folders filled in. A stock
    // picture that the build tree lacks leaves its line empty.
    static std::string Expected() {
        std::string expected = ReadTextFile(KB_SETUP_TEST_DATA "/worked_outline.iss");
        for (const char* picture : {"WizardImageFile=@RESOURCES@/Wizmodernimage.bmp",
                                    "WizardSmallImageFile=@RESOURCES@/needle2_tn.bmp"}) {
            const std::string name = NameOf(picture);
            if (!FileExists(ResourceFile(name))) {
                expected = ReplaceEvery(expected, picture, "");
            }
        }
        expected = FillFolder(expected, "@RESOURCES@", FolderOf(ResourceFile("x")));
        return FillFolder(expected, "@ROOT@", SampleCollection::Root());
    }

    SampleCollection sample;
};

TEST_F(WorkedOutline, GivesTheGoldenScriptByteForByte) {
    const std::string actual = Build();
    const std::string golden = ReadTextFile(KB_SETUP_TEST_DATA "/worked_outline.iss");
    ASSERT_FALSE(golden.empty());
    EXPECT_EQ(actual, Expected());
    EXPECT_EQ(sample.data.setupVersion, "0.1");
}

// A listed garment whose macro is gone (nor in the macro source folder) is not installed, so it
// gets no Start-menu icon either; the other icons stay as they were.
TEST_F(WorkedOutline, IconsPointOnlyAtInstalledFiles) {
    const std::string script = Build({"Coat1", "Jacket", "Coat2"});
    EXPECT_EQ(script.find("Jacket"), std::string::npos) << Section(script, "Icons");
    EXPECT_EQ(Section(script, "Icons"), Section(Expected(), "Icons"));
}

// A workspace copied from Windows, whose names differ in case from the names the macros, tables
// and item rules give: the script is the one Windows would give, each file named as on disk.
TEST_F(WorkedOutline, NamesDifferingInCaseGiveTheWindowsAnswer) {
    sample.Write(sample.DesignerFile("Anna_License.txt"), "Licence");
    const std::string exact = Build();
    const std::pair<std::string, std::string> renames[] = {
        {sample.CollectionFile("Coat1.pdf"), sample.CollectionFile("Coat1.PDF")},
        {sample.CollectionFile("Front.jpg"), sample.CollectionFile("FRONT.jpg")},
        {sample.WorkspaceFile("MeasureTables/Women.pdf"),
         sample.WorkspaceFile("MeasureTables/women.PDF")},
        {sample.WorkspaceFile("MeasurePictures/bust.jpg"),
         sample.WorkspaceFile("MeasurePictures/Bust.JPG")},
        {sample.DesignerFile("Anna_License.txt"), sample.DesignerFile("anna_license.TXT")},
    };
    std::string expected = exact;
    for (const auto& [from, to] : renames) {
        ASSERT_NE(exact.find(from), std::string::npos) << from;
        // By way of another name: wine keeps the old name on a rename that changes only case.
        std::filesystem::rename(from, to + ".renamed");
        std::filesystem::rename(to + ".renamed", to);
        expected = ReplaceEvery(expected, from, to);
    }
    EXPECT_EQ(Build(), expected);
}

TEST_F(WorkedOutline, RefreshesTheMacroCopiesAfterTheScan) {
    sample.Write(sample.SourceFile("Coat2.mac"), "measure_table(\"Women\")\n");
    sample.Write(sample.CollectionFile("Coat2.mac"), "old copy\n");
    DeleteFile(sample.CollectionFile("Coat1.mac"));
    Build({"Coat1", "Coat2", "NoSource"});
    EXPECT_EQ(ReadTextFile(sample.CollectionFile("Coat2.mac")), "measure_table(\"Women\")\n");
    EXPECT_TRUE(FileExists(sample.CollectionFile("Coat1.mac")));
    EXPECT_FALSE(FileExists(sample.CollectionFile("NoSource.mac")));
}

TEST_F(WorkedOutline, WithoutGarmentsKeepsOnlyDesignerAndCollectionFiles) {
    sample.Write(sample.CollectionFile("Coats.html"));
    const std::string script = Build({});
    const std::string root = SampleCollection::Root();
    EXPECT_EQ(Section(script, "Files"),
              "Source: " + root + test::Native("/Designers/Anna/Anna.jpg") +
                  "; \tDestDir: {pf}\\Bobbinwright Software\\Shared\\Designers\\Anna;\n"
                  "Source: " +
                  root + test::Native("/Designers/Anna/Coats/Coats.jpg") +
                  "; \tDestDir: {pf}\\Bobbinwright Software\\Shared\\Designers\\Anna\\Coats;\n"
                  "Source: " +
                  root + test::Native("/Designers/Anna/Coats/Coats.html") +
                  "; \tDestDir: {pf}\\Bobbinwright Software\\Shared\\Designers\\Anna\\Coats;\n"
                  "Source: " +
                  root + test::Native("/Designers/Anna/Coats/Coats.txt") +
                  "; \tDestDir: {pf}\\Bobbinwright Software\\Shared\\Designers\\Anna\\Coats;\n\n");
    EXPECT_EQ(Section(script, "Icons"),
              "Name: {group}\\Coats\\Coats Documentation; Filename: {app}\\Shared\\Designers\\"
              "Anna\\Coats\\Coats.html; WorkingDir: {app}\\Shared\\Designers\\Anna\\Coats; "
              "Comment: Coats Documentation;\n"
              "Name: {group}\\Website Anna; Filename: http://www.anna-patterns.example;\n\n");
}

TEST(BuildSetupScript, OptionalSetupLinesFollowTheirInputs) {
    struct Case {
        const char* what;
        void (*prepare)(SampleCollection&);
        std::vector<std::string> present;
        std::vector<std::string> absent;
    };
    const Case cases[] = {
        {"blank password and website",
         [](SampleCollection& s) {
             s.data.password = "  \t";
             s.data.website = "   ";
             s.Write(s.DesignerFile("Website.txt"), "  \n");
         },
         {"AppName=Anna - Coats"},
         {"Password=  \t", "AppPublisherURL=   ", "AppSupportURL=   ", "AppUpdatesURL=   ",
          "Name: {group}\\Website Anna; Filename: http://  \n;"}},
        // A [Setup] value loses its blanks and its surrounding quotes unless it is quoted.
        {"password with blanks quoted",
         [](SampleCollection& s) { s.data.password = " secret "; },
         {"Password=\" secret \"", "OutputDir=.", "PrivilegesRequired=admin"},
         {}},
        {"password in quotes quoted",
         [](SampleCollection& s) { s.data.password = "\"secret\""; },
         {"Password=\"\"\"secret\"\"\""},
         {}},
        {"plain password as typed",
         [](SampleCollection& s) { s.data.password = "pa$$ {x}"; },
         {"Password=pa$$ {x}"},
         {}},
        {"installer texts and licence present",
         [](SampleCollection& s) {
             s.Write(s.CollectionFile("Coats_AfterInstall.txt"));
             s.Write(s.CollectionFile("Coats_BeforeInstall.txt"));
             s.Write(s.DesignerFile("Anna_License.txt"));
         },
         {"InfoAfterFile=@COLLECTION@/Coats_AfterInstall.txt",
          "InfoBeforeFile=@COLLECTION@/Coats_BeforeInstall.txt",
          "LicenseFile=@DESIGNER@/Anna_License.txt"},
         {}},
        {"collection picture preferred",
         [](SampleCollection& s) { s.Write(s.CollectionFile("Coats_mini.bmp")); },
         {"WizardImageFile=@COLLECTION@/Coats_mini.bmp"},
         {}},
        {"website kept as held",
         [](SampleCollection& s) {
             s.data.website = "https://anna.example/?a=$1&b=$$";
             s.Write(s.DesignerFile("Website.txt"), "https://anna.example/?a=$1");
         },
         {"AppPublisherURL=https://anna.example/?a=$1&b=$$",
          "AppSupportURL=https://anna.example/?a=$1&b=$$",
          "AppUpdatesURL=https://anna.example/?a=$1&b=$$",
          "Name: {group}\\Website Anna; Filename: https://anna.example/?a=$1;"},
         {}},
    };
    for (const Case& c : cases) {
        SampleCollection fresh("Anna", "Coats");
        c.prepare(fresh);
        const std::string script = BuildSetupScript(fresh.data, MakeScanInputs({}), "Coats");
        for (const std::string& present : c.present) {
            const std::string line =
                FillFolder(FillFolder(present, "@COLLECTION@", CurrentCollectionFolder()),
                           "@DESIGNER@", CurrentDesignerFolder());
            EXPECT_TRUE(HasLine(script, line)) << c.what << ": missing " << line;
        }
        for (const std::string& line : c.absent) {
            EXPECT_EQ(script.find(line), std::string::npos) << c.what << ": has " << line;
        }
        EXPECT_EQ(script.find("PLACE_HOLDER"), std::string::npos) << c.what;
    }
}

// "http://" goes in front of the address unless it starts with a web scheme of its own.
TEST(BuildSetupScript, WebsiteIconGetsOneScheme) {
    const std::pair<const char*, const char*> cases[] = {
        {"anna.example", "http://anna.example"},
        {"https://anna.example", "https://anna.example"},
        {"HTTPS://Anna.example", "HTTPS://Anna.example"},
        {"Http://anna.example/a", "Http://anna.example/a"},
        {"ftp://anna.example", "http://ftp://anna.example"},
        {"https:/anna.example", "http://https:/anna.example"},
    };
    for (const auto& [written, target] : cases) {
        SampleCollection sample("Anna", "Coats");
        sample.Write(sample.DesignerFile("Website.txt"), written);
        const std::string script = BuildSetupScript(sample.data, MakeScanInputs({}), "Coats");
        EXPECT_TRUE(
            HasLine(script, std::string("Name: {group}\\Website Anna; Filename: ") + target + ";"))
            << written << "\n"
            << Section(script, "Icons");
    }
}

// The table name of a macro's measure_table line becomes the installed folder of the table's
// pictures: a name that climbs out of the installation folder (or is rooted) refuses the build.
TEST(BuildSetupScript, RefusesTableNamesThatLeaveTheInstallationFolder) {
    for (const char* inner : {"..\\..\\..\\Windows", "C:\\Windows", "Women\\..\\..", "..", ". .",
                              "\\\\server\\share"}) {
        SampleCollection sample("Anna", "Coats");
        sample.AddGarment("Coat1", "measure_table(\"" + std::string(inner) + "\")\n");
        sample.Write(sample.WorkspaceFile("MeasureTables/Evil.mmt"),
                     std::string(inner) + "\tcm\tx\nBust\t92.5\tB\tbust\n");
        sample.Write(sample.WorkspaceFile("MeasurePictures/bust.jpg"));
        try {
            const std::string script =
                BuildSetupScript(sample.data, MakeScanInputs({"Coat1"}), "Coats");
            ADD_FAILURE() << inner << " built:\n" << Section(script, "Files");
        } catch (const SetupScriptError& error) {
            EXPECT_NE(std::string(error.what()).find(inner), std::string::npos) << error.what();
        }
    }
    // Dots inside a name are no climbing.
    SampleCollection sample("Anna", "Coats");
    sample.AddGarment("Coat1", "measure_table(\"Women..v2\")\n");
    sample.Write(sample.WorkspaceFile("MeasureTables/Women.mmt"),
                 "Women..v2\tcm\tx\nBust\t92.5\tB\tbust\n");
    sample.Write(sample.WorkspaceFile("MeasurePictures/bust.jpg"));
    EXPECT_NE(BuildSetupScript(sample.data, MakeScanInputs({"Coat1"}), "Coats")
                  .find("MeasurePictures\\Women..v2;"),
              std::string::npos);
}

TEST(FilesSection, SkipsUnwrittenLowerCaseTextsMissingFilesAndRepeatedLines) {
    SampleCollection sample("Anna", "Coats");
    const std::string lower = sample.CollectionFile("Coat.txt");
    const std::string upper = sample.CollectionFile("Coat.TXT");
    const std::string written = sample.CollectionFile("Notes.txt");
    sample.Write(lower, kUnwritten);
    sample.Write(upper, kUnwritten);
    sample.Write(written, std::string(kUnwritten) + "\n");

    DirectoryParserList list;
    list.Append({true, lower, GarmentFile, ""});
    list.Append({true, upper, GarmentFile, ""});
    list.Append({true, written, GarmentFile, ""});
    list.Append({false, sample.CollectionFile("Gone.jpg"), GarmentFile, ""});
    list.Append({true, upper, GarmentPicture, ""});  // same line as the second entry
    list.Append({true, upper, DesignerFile, ""});    // same source, other folder
    list.Append({true, upper, NoInstall, ""});

    const std::string into = "; \tDestDir: {pf}\\Bobbinwright Software\\Shared\\Designers\\Anna";
    EXPECT_EQ(FilesSection(list, "Anna", "Coats"),
              "\n[Files]\n"
              "Source: " +
                  upper + into +
                  "\\Coats;\n"
                  "Source: " +
                  written + into +
                  "\\Coats;\n"
                  "Source: " +
                  upper + into +
                  ";\n"
                  "Source: " +
                  upper + "; \tDestDir: ;\n");
    EXPECT_EQ(FilesSection(DirectoryParserList(), "Anna", "Coats"), "\n[Files]\n");
}

TEST(FilesSection, QuotesSourcesAndDoublesBracesOfInstalledNames) {
    SampleCollection sample("Anna", "Coats");
    DirectoryParserList list;
    list.Append({true, "/w/Designers/A;B/{x}.jpg", DesignerFile, ""});
    list.Append({true, "/w/MeasureTables/W\"1.jpg", MeasurePicture, "{Women} "});
    EXPECT_EQ(FilesSection(list, "A;B", "{C}"),
              "\n[Files]\n"
              "Source: \"/w/Designers/A;B/{x}.jpg\"; \tDestDir: \"{pf}\\Bobbinwright Software\\"
              "Shared\\Designers\\A;B\";\n"
              "Source: \"/w/MeasureTables/W\"\"1.jpg\"; \tDestDir: \"{pf}\\Bobbinwright "
              "Software\\Shared\\MeasurePictures\\{{Women} \";\n");
}

TEST(BuildSetupScript, InsertsValuesLiterallyWithoutLaterReplacement) {
    SampleCollection sample("OUTPUT_FILE_NAME", "DESIGNER_NAME");
    sample.AddGarment("COLLECTION_NAME", "");
    sample.data.password = "pa$$word";
    sample.data.version = "$1.$&";
    const std::string script =
        BuildSetupScript(sample.data, MakeScanInputs({"COLLECTION_NAME"}), "Setup $$ MACRO_NAME");
    for (const std::string line : {
             "AppName=OUTPUT_FILE_NAME - DESIGNER_NAME",
             "AppVersion=$1.$&",
             "AppVerName=OUTPUT_FILE_NAME - DESIGNER_NAME $1.$&",
             "AppPublisher=OUTPUT_FILE_NAME",
             "DefaultGroupName=Bobbinwright Software\\Bobbinwright 7.5\\Collections\\"
             "OUTPUT_FILE_NAME\\ ",
             "OutputBaseFilename=Setup $$ MACRO_NAME",
             "Password=pa$$word",
             "UninstallDisplayName= OUTPUT_FILE_NAME - DESIGNER_NAME",
             "Name: {app}\\Shared\\Designers\\OUTPUT_FILE_NAME\\DESIGNER_NAME",
             "Name: {group}\\DESIGNER_NAME\\COLLECTION_NAME; Filename: {app}\\Shared\\Designers\\"
             "OUTPUT_FILE_NAME\\DESIGNER_NAME\\COLLECTION_NAME.mac; WorkingDir: {app}\\Shared\\"
             "Designers\\OUTPUT_FILE_NAME\\DESIGNER_NAME; Comment: COLLECTION_NAME",
         }) {
        EXPECT_TRUE(HasLine(script, line)) << "missing " << line;
    }
}

TEST(BuildSetupScript, QuotesEntryParametersByInnoSetupRules) {
    SampleCollection sample("Anna", "Coats; {winter}");
    sample.AddGarment(" Coat ", "");
    sample.Write(sample.CollectionFile(" Coat .pdf"));
    sample.Write(sample.DesignerFile("Website.txt"), "anna.example/\"q\"");
    const std::string script = BuildSetupScript(sample.data, MakeScanInputs({" Coat "}), "Coats");
    const std::string app = "{app}\\Shared\\Designers\\Anna\\Coats; {{winter}";
    EXPECT_EQ(Section(script, "Dirs"), "Name: \"" + app + "\"\n\n");
    EXPECT_EQ(Section(script, "UninstallDelete"), "Name: \"" + app + "\"; Type: dirifempty\n");
    EXPECT_EQ(Section(script, "Icons"),
              "Name: \"{group}\\Coats; {{winter}\\ Coat \"; Filename: \"" + app +
                  "\\ Coat .mac\"; WorkingDir: \"" + app +
                  "\"; Comment: \" Coat \"\n"
                  "Name: \"{group}\\Coats; {{winter}\\ Coat  Documentation (pdf)\"; Filename: \"" +
                  app + "\\ Coat .pdf\"; WorkingDir: \"" + app +
                  "\"; Comment: \" Coat  Documentation\"\n"
                  "Name: {group}\\Website Anna; Filename: \"http://anna.example/\"\"q\"\"\";\n\n");
    EXPECT_TRUE(HasLine(script, "AppName=Anna - Coats; {{winter}"));
    EXPECT_NE(
        script.find("Source: \"" + sample.CollectionFile(" Coat .pdf") + "\"; \tDestDir: \"" +
                    "{pf}\\Bobbinwright Software\\Shared\\Designers\\Anna\\Coats; {{winter}\";\n"),
        std::string::npos);
}

// Directives and entry parameters that take constants get every "{" doubled: a designer "{win}"
// must not put the Start-menu folder below the Windows folder, and "An{na" must not be an
// unclosed constant. File paths and the password are not expanded and keep their braces.
TEST(BuildSetupScript, DoublesBracesWhereConstantsAreExpanded) {
    struct Case {
        std::string designer, collection, garment, version, website, password;
    };
    const Case cases[] = {
        {"{win}", "Coats", "Coat", "1.0", "a.example", "pw"},
        {"An{na", "Co{ats}", "{Coat}", "1{2", "a.example/{x}", "p{w}"},
        {"A}n{{a", "C}", "C{{t", "{{", "{", "{{"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.designer + " / " + c.collection + " / " + c.garment);
        SampleCollection sample(c.designer, c.collection);
        sample.AddGarment(c.garment, "");
        sample.Write(sample.DesignerFile(c.designer + "_License.txt"), "licence");
        sample.data.version = c.version;
        sample.data.website = c.website;
        sample.data.password = c.password;
        const std::string script =
            BuildSetupScript(sample.data, MakeScanInputs({c.garment}), "Coats");
        const std::string designer = EscapeConstantBraces(c.designer);
        const std::string app = designer + " - " + EscapeConstantBraces(c.collection);
        const std::string version = EscapeConstantBraces(c.version);
        const std::string website = EscapeConstantBraces(c.website);
        for (const std::string& line : {
                 "AppName=" + app,
                 "AppVersion=" + version,
                 "AppVerName=" + app + " " + version,
                 "AppPublisher=" + designer,
                 "AppPublisherURL=" + website,
                 "AppSupportURL=" + website,
                 "AppUpdatesURL=" + website,
                 "UninstallDisplayName= " + app,
                 "DefaultGroupName=Bobbinwright Software\\Bobbinwright 7.5\\Collections\\" +
                     designer + "\\ ",
                 "Password=" + c.password,
                 "LicenseFile=" + sample.DesignerFile(c.designer + "_License.txt"),
             }) {
            EXPECT_TRUE(HasLine(script, line)) << "missing " << line << " in\n" << script;
        }
        const std::string icons = Section(script, "Icons");
        EXPECT_NE(icons.find("; Comment: " + QuotedParameter(EscapeConstantBraces(c.garment))),
                  std::string::npos)
            << icons;
        EXPECT_NE(
            script.find("Source: " + QuotedParameter(sample.CollectionFile(c.garment + ".mac"))),
            std::string::npos)
            << script;
    }
}

TEST(BuildSetupScript, RefusesControlCharactersBeforeCopyingAnything) {
    struct Case {
        const char* what;
        std::string designer, collection, garment, password, website, fileWebsite;
        const char* message;
    };
    const Case cases[] = {
        {"garment", "Anna", "Coats", "Coat\n1", "", "", "", "garment name \"Coat\\n1\""},
        {"collection", "Anna", "Co\tats", "Coat", "", "", "", "collection name \"Co\\tats\""},
        {"password", "Anna", "Coats", "Coat", "pa\nss", "", "", "installation password"},
        {"website", "Anna", "Coats", "Coat", "", "a\r\nb", "", "web site address \"a\\r\\nb\""},
        {"Website.txt", "Anna", "Coats", "Coat", "", "", "www.a.example\n", "Website.txt"},
        // A separator would put the name's parts into folders of their own.
        {"designer separator", "$\\n", "Coats", "Coat", "", "", "",
         "designer name \"$\\n\" holds a folder separator"},
        {"collection separator", "Anna", "$\\r", "Coat", "", "", "", "collection name \"$\\r\""},
        {"garment separator", "Anna", "Coats", "a\\b", "", "", "", "garment name \"a\\b\""},
    };
    for (const Case& c : cases) {
        // Windows holds no folder whose name has a control character, so no such collection.
        if (kPathSeparator == '\\' && HasControlCharacter(c.designer + c.collection))
            continue;
        SampleCollection sample(c.designer, c.collection);
        // Windows holds no names with control characters: there the refusal goes by name alone.
        if (kPathSeparator == '/' || !HasControlCharacter(c.garment))
            sample.Write(sample.SourceFile(c.garment + ".mac"), "new");
        sample.data.password = c.password;
        sample.data.website = c.website;
        if (!c.fileWebsite.empty()) {
            sample.Write(sample.DesignerFile("Website.txt"), c.fileWebsite);
        }
        try {
            BuildSetupScript(sample.data, MakeScanInputs({c.garment}), "Coats");
            ADD_FAILURE() << c.what << ": built";
        } catch (const SetupScriptError& error) {
            EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos)
                << c.what << ": " << error.what();
        }
        if (c.fileWebsite.empty()) {
            EXPECT_FALSE(FileExists(sample.CollectionFile(c.garment + ".mac"))) << c.what;
        }
    }
    SampleCollection sample("Anna", "Coats");
    for (const char* setupName : {"$\\n", "a/b"}) {
        EXPECT_THROW(BuildSetupScript(sample.data, MakeScanInputs({}), setupName), SetupScriptError)
            << setupName;
    }
}

}  // namespace
}  // namespace kb

namespace kb {
namespace {

namespace fs = std::filesystem;

// A time no copy is written at (whole seconds, which every file system stores exactly): a file
// that still carries it was not rewritten.
const fs::file_time_type kLongAgo = std::chrono::floor<std::chrono::seconds>(
    fs::file_time_type::clock::now() - std::chrono::hours(24 * 400));

bool WrittenSinceLongAgo(const std::string& path) {
    std::error_code error;
    const fs::file_time_type written = fs::last_write_time(FsPath(path), error);
    return !error && written != kLongAgo;
}

TEST(RefreshMacroCopies, RewritesOnlyCopiesThatDiffer) {
    test::SampleCollection sample("Anna", "Coats");
    struct Case {
        const char* garment;
        const char* source;
        const char* copy;  // nullptr: no copy yet
        bool rewritten;
    };
    const Case cases[] = {
        {"Same", "measure_table(\"Women\")\n", "measure_table(\"Women\")\n", false},
        {"SameSizeOtherBytes", "abc\n", "abd\n", true},
        {"Longer", "abc\n", "ab\n", true},
        {"NoCopy", "abc\n", nullptr, true},
    };
    std::vector<std::string> garments;
    for (const Case& c : cases) {
        sample.Write(sample.SourceFile(std::string(c.garment) + ".mac"), c.source);
        if (c.copy) {
            sample.Write(sample.CollectionFile(std::string(c.garment) + ".mac"), c.copy);
        }
        garments.push_back(c.garment);
    }
    for (const Case& c : cases) {
        if (c.copy)
            fs::last_write_time(FsPath(sample.CollectionFile(std::string(c.garment) + ".mac")),
                                kLongAgo);
    }
    RefreshMacroCopies(CurrentSelectionSnapshot(), garments);
    for (const Case& c : cases) {
        const std::string copy = sample.CollectionFile(std::string(c.garment) + ".mac");
        EXPECT_EQ(ReadTextFile(copy), c.source) << c.garment;
        EXPECT_EQ(WrittenSinceLongAgo(copy), c.rewritten) << c.garment;
    }
}

}  // namespace
}  // namespace kb
