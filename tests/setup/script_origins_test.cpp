#include "setup/script_origins.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string_view>

#include "foundation/files.h"
#include "setup/setup_script.h"
#include "tests/support/sample_collection.h"

namespace kb {
namespace {

using test::SampleCollection;

class ScriptOrigins : public ::testing::Test {
  protected:
    ScriptOrigins() : sample("Anna", "Coats") {
        sample.Write(sample.DesignerFile("Anna.jpg"));
        sample.Write(sample.DesignerFile("Anna_License.txt"), "Licence\n");
        sample.Write(sample.DesignerFile("Website.txt"), "www.anna.example");
        sample.AddGarment("Coat1", "measure_table(\"Women\")\n");
        sample.Write(sample.CollectionFile("Coat1.jpg"));
        sample.Write(sample.CollectionFile("Coat1.pdf"));
        sample.AddGarment("Coat10", "add_pict_item(1, \"Front.jpg\")\n");
        sample.Write(sample.CollectionFile("Front.jpg"));
        sample.Write(sample.WorkspaceFile("MeasureTables/Women.mmt"), "Women\tcm\tx\n");
        sample.Write(sample.WorkspaceFile("MeasureTables/Women.pdf"));
        sample.data.password = "secret";
        scan = ScanForSetup(MakeScanInputs({"Coat1", "Coat10"}));
        script = SetupScriptFromScan(sample.data, scan, "Coats");
        origins = ScriptLineOrigins(script, scan);
    }

    // The origin of the first line holding text.
    std::string OriginOfLineWith(const std::string& text) const {
        size_t number = 0;
        for (size_t start = 0; start < script.size(); ++number) {
            const size_t end = script.find('\n', start);
            if (script.substr(start, end - start).find(text) != std::string::npos)
                return origins.at(number);
            start = end + 1;
        }
        return "(no line holds " + text + ")";
    }

    // The 1-based number of the first line holding text.
    size_t LineWith(const std::string& text) const {
        const size_t at = script.find(text);
        return static_cast<size_t>(std::count(script.begin(), script.begin() + at, '\n')) + 1;
    }

    SampleCollection sample;
    SetupScan scan;
    std::string script;
    std::vector<std::string> origins;
};

TEST_F(ScriptOrigins, NameTheItemBehindEachLine) {
    ASSERT_EQ(origins.size(), static_cast<size_t>(std::count(script.begin(), script.end(), '\n')));
    const std::pair<std::string, std::string> cases[] = {
        {"Source: " + sample.CollectionFile("Coat1.pdf"), "garment Coat1, file "},
        {"Source: " + sample.CollectionFile("Front.jpg"), "garment Coat10, file "},
        {"Source: " + sample.DesignerFile("Anna.jpg"), "designer Anna, file "},
        {"Women.pdf;", "table Women (named by garment Coat1), file "},
        {"Password=", "setting installation password"},
        {"LicenseFile=", "designer Anna, licence text "},
        {"AppVersion=", "setting collection version"},
        {"{group}\\Coats\\Coat10;", "garment Coat10 (icon)"},
        {"Coat1 Documentation (pdf)", "garment Coat1 (icon)"},
        {"Women measuring instructions", "table Women (measuring instructions icon)"},
        {"http://www.anna.example", "designer Anna, web site file Website.txt"},
        {"RegKeyExists", "the fixed script text"},
    };
    for (const auto& [line, origin] : cases) {
        EXPECT_TRUE(OriginOfLineWith(line).starts_with(origin))
            << line << " -> " << OriginOfLineWith(line);
    }
}

TEST_F(ScriptOrigins, ExplainOnlyMessagesAboutTheScriptsLines) {
    const size_t line = LineWith("Front.jpg");
    const std::string output = "/x/Coats.iss:" + std::to_string(line) +
                               ": source file missing\n"
                               "/x/Coats.iss: cannot read\n"
                               "/x/Other.iss:3: elsewhere\n"
                               "/x/Coats.iss:999999: past the end\n";
    const std::string explained = ExplainCompilerOutput(output, "Coats.iss", origins);
    EXPECT_EQ(explained, "/x/Coats.iss:" + std::to_string(line) + ": source file missing [line " +
                             std::to_string(line) + " comes from garment Coat10, file " +
                             sample.CollectionFile("Front.jpg") +
                             "]\n/x/Coats.iss: cannot read\n/x/Other.iss:3: elsewhere\n"
                             "/x/Coats.iss:999999: past the end\n");
}

// The real compiler fails on the line of a support file that went missing after the script was
// written; its message, explained, names the garment.
TEST_F(ScriptOrigins, CompilerFailureNamesTheGarment) {
    if (std::string_view(KB_COMPIL32_EXE).empty())
        GTEST_SKIP() << "no installer compiler is built for this system";
    const std::string iss = SampleCollection::Root() + "/Installations/Coats.iss";
    WriteTextFile(iss, script);
    DeleteFile(sample.CollectionFile("Front.jpg"));
    const std::string log = iss + ".log";
    const std::string command =
        std::string("'") + KB_COMPIL32_EXE + "' /cc '" + iss + "' > '" + log + "' 2>&1";
    ASSERT_NE(std::system(command.c_str()), 0);
    const std::string explained = ExplainCompilerOutput(ReadTextFile(log), "Coats.iss", origins);
    EXPECT_NE(explained.find("comes from garment Coat10, file "), std::string::npos) << explained;
}

}  // namespace
}  // namespace kb
