#include "setup/build_checks.h"

#include <gtest/gtest.h>

#include "foundation/paths.h"
#include "setup/setup_script.h"
#include "tests/support/sample_collection.h"
#include "tests/support/temp_folder.h"

namespace kb {
namespace {

using test::SampleCollection;

TEST(WindowsNameProblem, RefusesWhatWindowsCannotHold) {
    struct Case {
        const char* name;
        bool refused;
    };
    const Case cases[] = {
        {"Coat1", false},      {"CON", true},       {"con.txt", true},
        {"Lpt9.tar.gz", true}, {"COM0", false},     {"CONSOLE", false},
        {"NUL ", true},        {"Coat.", true},     {"a<b", true},
        {"a:b", true},         {"a\"b", true},      {"a/b", true},
        {"a\\b", true},        {"a|b", true},       {"a?b", true},
        {"a*b", true},         {"tab\there", true}, {"Coats & Jackets", false},
        {"Mäntel", false},     {"AUX1", false},     {"COM1.mac", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(!WindowsNameProblem(c.name).empty(), c.refused) << c.name;
    }
}

TEST(TextEncodingProblems, NamesTheLinesTheSetupWillMisshow) {
    struct Case {
        const char* what;
        std::string bytes;
        std::vector<std::string> lineStarts;  // each problem must start so
    };
    const Case cases[] = {
        {"plain ASCII", "Licence\nYou may\n", {}},
        {"valid UTF-8 throughout",
         "Lizenz\nGr\xC3\xBC\xC3\x9F"
         "e\n",
         {}},
        {"valid Windows-1252 throughout",
         "Gr\xFC\xDF"
         "e\ncaf\xE9\n",
         {}},
        {"UTF-8 line in a Windows-1252 file",
         "caf\xE9\nGr\xC3\xBC\xC3\x9F"
         "e\n",
         {"line 2 is not valid in the file's encoding"}},
        {"byte undefined in Windows-1252", "ok \xE9\nbad \x81\n", {"line 2"}},
        {"control character", "one\ntwo\x01\n", {"line 2 holds a character"}},
        {"byte-order mark kept out of the way", "\xEF\xBB\xBFLizenz \xC3\xA4\n", {}},
    };
    for (const Case& c : cases) {
        const std::vector<std::string> problems = TextEncodingProblems(c.bytes);
        ASSERT_EQ(problems.size(), c.lineStarts.size()) << c.what;
        for (size_t i = 0; i < problems.size(); ++i) {
            EXPECT_TRUE(problems[i].starts_with(c.lineStarts[i])) << c.what << ": " << problems[i];
        }
    }
    // How the misread line will look: its UTF-8 bytes shown one by one as Windows-1252.
    EXPECT_NE(TextEncodingProblems("caf\xE9\nGr\xC3\xBC"
                                   "n\n")[0]
                  .find("Gr\xC3\x83\xC2\xBCn"),
              std::string::npos);
    // A UTF-16 file goes wrong on every line; the report stays short.
    std::string utf16;
    for (int i = 0; i < 40; ++i) {
        utf16 += std::string("a\0\n\0", 4);
    }
    EXPECT_EQ(TextEncodingProblems(utf16).size(), 11u);
}

class BuildChecks : public ::testing::Test {
  protected:
    BuildChecks() : sample("Anna", "Coats") {
        sample.Write(sample.DesignerFile("Anna.jpg"));
        sample.Write(sample.CollectionFile("Coats.jpg"));
    }

    std::vector<BuildProblem> Check(const std::vector<std::string>& garments,
                                    const std::string& baseName = "Coats") {
        const SetupScan scan = ScanForSetup(MakeScanInputs(garments));
        return CheckBuild(sample.data, scan, baseName);
    }

    static bool Has(const std::vector<BuildProblem>& problems, ProblemSeverity severity,
                    const std::string& origin, const std::string& text) {
        for (const BuildProblem& problem : problems) {
            if (problem.severity == severity && problem.origin == origin &&
                problem.text.find(text) != std::string::npos) {
                return true;
            }
        }
        return false;
    }

    SampleCollection sample;
};

TEST_F(BuildChecks, ReportsReservedNameMissingFileAndLongPathTogether) {
    // A measuring picture is installed into a folder named after its table, so a long table
    // name makes a long installed path from a short one on disk.
    const std::string table(100, 't');
    const std::string picture(120, 'p');
    // Windows holds no file named CON: there the garment's macro is missing as well.
    if (kPathSeparator == '/') {
        sample.AddGarment("CON", "add_pict_item(1, \"Front.jpg\")\n");
        sample.Write(sample.CollectionFile("CON.jpg"));
    }
    sample.AddGarment("Coat1", "measure_table(\"" + table + "\")\n");
    sample.Write(sample.CollectionFile("Coat1.jpg"));
    sample.Write(sample.WorkspaceFile("MeasureTables/W.mmt"),
                 table + "\tcm\tx\nBust\t92.5\tB\t" + picture + "\n");
    sample.Write(sample.WorkspaceFile("MeasureTables/W.jpg"));
    sample.Write(sample.WorkspaceFile("MeasurePictures/" + picture + ".jpg"));

    const std::vector<BuildProblem> problems = Check({"CON", "Coat1"});
    const std::string report = ProblemReportText(problems);
    EXPECT_TRUE(Has(problems, ProblemSeverity::Error, "garment CON", "reserved device name"))
        << report;
    EXPECT_TRUE(Has(problems, ProblemSeverity::Error, "garment CON", "file missing: ")) << report;
    EXPECT_TRUE(Has(problems, ProblemSeverity::Error,
                    "table " + table + " (named by garment Coat1)", "installed path has 2"))
        << report;
    EXPECT_TRUE(HasErrors(problems));
    EXPECT_EQ(problems.front().severity, ProblemSeverity::Error);
    EXPECT_EQ(problems.back().severity, ProblemSeverity::Warning);
}

TEST_F(BuildChecks, MissingDocumentsAndTextsOnlyWarn) {
    sample.AddGarment("Coat1", "");
    sample.Write(sample.CollectionFile("Coat1.jpg"));
    const std::vector<BuildProblem> problems = Check({"Coat1"});
    EXPECT_FALSE(HasErrors(problems)) << ProblemReportText(problems);
    EXPECT_TRUE(Has(problems, ProblemSeverity::Warning, "garment Coat1", "Coat1.pdf"));
    EXPECT_TRUE(Has(problems, ProblemSeverity::Warning, "designer Anna", "Anna.txt"));
}

TEST_F(BuildChecks, TablesAndTheirPicturesNameTheTableAndTheGarment) {
    sample.AddGarment("Coat1", "measure_table(\"Women\")\n");
    sample.Write(sample.CollectionFile("Coat1.jpg"));
    sample.Write(sample.WorkspaceFile("MeasureTables/Women.mmt"),
                 "Women\tcm\tx\nBust\t92.5\tB\tbust\n");
    const std::vector<BuildProblem> problems = Check({"Coat1"});
    EXPECT_TRUE(
        Has(problems, ProblemSeverity::Error, "table Women (named by garment Coat1)", "Women.jpg"))
        << ProblemReportText(problems);
}

TEST_F(BuildChecks, SettingsAndTextsAreChecked) {
    sample.data.password = " secret";
    sample.Write(sample.DesignerFile("Anna_License.txt"),
                 "caf\xE9\nGr\xC3\xBC\xC3\x9F"
                 "e\n");
    const std::vector<BuildProblem> problems = Check({}, "Setup?");
    const std::string report = ProblemReportText(problems);
    EXPECT_TRUE(Has(problems, ProblemSeverity::Error, "setting installation password", "blank"))
        << report;
    EXPECT_TRUE(Has(problems, ProblemSeverity::Error, "designer Anna", "Anna_License.txt, line 2"))
        << report;
    EXPECT_TRUE(Has(problems, ProblemSeverity::Error, "setting setup file name", "?")) << report;

    sample.data.password = "   ";
    sample.Write(sample.DesignerFile("Anna_License.txt"), "fine\n");
    EXPECT_FALSE(HasErrors(Check({})));
}

TEST_F(BuildChecks, DetailsGroupAndSortTheMissingFilesAndNoteUnfoundPictures) {
    sample.Write(sample.DesignerFile("Anna.txt"), "Anna");
    sample.Write(sample.DesignerFile("Anna.pdf"));
    sample.Write(sample.DesignerFile("Anna.html"));
    sample.Write(sample.CollectionFile("Coats.txt"), "Coats");
    sample.Write(sample.CollectionFile("Coats.pdf"));
    sample.Write(sample.CollectionFile("Coats.html"));
    sample.AddGarment("Zip", "add_pict_item(1, \"b.jpg\")\nadd_pict_item(2, \"a.jpg\")\n");
    sample.AddGarment("Anorak", "measure_table(\"Women\")\n");
    for (const char* garment : {"Zip", "Anorak"}) {
        for (const char* extension : {".jpg", ".pdf", ".html"}) {
            sample.Write(sample.CollectionFile(std::string(garment) + extension));
        }
    }
    sample.Write(sample.WorkspaceFile("MeasureTables/Women.mmt"),
                 "Women\tcm\tx\nBust\t92.5\tB\tbust\nWaist\t70\tW\twaist\n");
    for (const char* extension : {".jpg", ".pdf", ".html", ".txt"}) {
        sample.Write(sample.WorkspaceFile(std::string("MeasureTables/Women") + extension));
    }
    sample.Write(sample.WorkspaceFile("MeasurePictures/Women/waist.jpg"));
    sample.Write(sample.WorkspaceFile("MeasurePictures/Women/waist.txt"));

    const std::string folder =
        sample.CollectionFile("").substr(0, sample.CollectionFile("").size() - 1);
    EXPECT_EQ(MissingFileDetails(ScanForSetup(MakeScanInputs({"Zip", "Anorak"}))),
              "4 missing files:\n\n"
              "garment Anorak\n"
              "  Anorak.txt (optional)  in " +
                  folder +
                  "\n"
                  "garment Zip\n"
                  "  Zip.txt (optional)  in " +
                  folder +
                  "\n"
                  "  a.jpg  in " +
                  folder +
                  "\n"
                  "  b.jpg  in " +
                  folder +
                  "\n"
                  "\nMeasuring pictures that tables in use name but that are nowhere in the "
                  "workspace (Bobbinwright may bring them):\n\n"
                  "table Women (Women.mmt)\n"
                  "  bust.jpg (row Bust)\n");
}

// Names of macro lines and table rows that lead outside the workspace stop the build, each
// named with its file and line, and never bring a file into the script.
TEST_F(BuildChecks, NamesLeadingOutsideAreErrorsAndNeverReachTheScript) {
    test::TempFolder outside;
    const std::string secret = outside / "secret";
    for (const char* extension : {".jpg", ".txt"})
        sample.Write(secret + extension, "secret");
    std::string climbing;
    for (int i = 0; i < 30; ++i)
        climbing += "../";
    climbing += secret.substr(secret.find_first_not_of("/\\"));
    sample.AddGarment("Coat1", "add_pict_item(1, \"" + climbing + "\")\n" +
                                   "add_picture_input(\"a\", 1, \"" + secret + "\")\n" +
                                   "measure_table(\"Leak\")\n" + "add_pict_item(1, \"a|b\")\n");
    sample.Write(sample.CollectionFile("Coat1.jpg"));
    sample.Write(sample.WorkspaceFile("MeasureTables/Leak.mmt"),
                 "Leak\tcm\tx\nA\t1\tx\t" + secret + "\nB\t2\tx\t" + climbing + "\n");
    sample.Write(sample.WorkspaceFile("MeasureTables/Leak.jpg"));

    const std::vector<BuildProblem> problems = Check({"Coat1"});
    const std::string report = ProblemReportText(problems);
    for (const char* line : {"Coat1.mac line 1: ", "Coat1.mac line 2: "})
        EXPECT_TRUE(Has(problems, ProblemSeverity::Error, "garment Coat1", line)) << report;
    // A name that no path can hold only warns: the setup leaves it out.
    EXPECT_TRUE(Has(problems, ProblemSeverity::Warning, "garment Coat1", "Coat1.mac line 4: "))
        << report;
    for (const char* line : {"Leak.mmt line 2: ", "Leak.mmt line 3: "})
        EXPECT_TRUE(Has(problems, ProblemSeverity::Error, "table Leak (Leak.mmt)", line)) << report;
    EXPECT_NE(MissingFileDetails(ScanForSetup(MakeScanInputs({"Coat1"}))).find("Coat1.mac line 1"),
              std::string::npos);

    const std::string script = BuildSetupScript(sample.data, MakeScanInputs({"Coat1"}), "Coats");
    EXPECT_EQ(script.find(outside.Path()), std::string::npos) << script;
    for (size_t at = script.find("Source:"); at != std::string::npos;
         at = script.find("Source:", at + 1)) {
        const std::string line = script.substr(at, script.find('\n', at) - at);
        EXPECT_NE(line.find(SampleCollection::Root()), std::string::npos) << line;
    }
}

}  // namespace
}  // namespace kb
