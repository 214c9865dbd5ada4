#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>

#include "foundation/errors.h"
#include "foundation/files.h"
#include "foundation/paths.h"
#include "tests/support/temp_workspace.h"
#include "tests/support/test_paths.h"
#include "tools/sample_workspace/sample_workspace.h"
#include "workspace/macro_scan.h"
#include "workspace/mmt_data.h"
#include "workspace/workspace_paths.h"

namespace kb::test {
namespace {

class MacroScan : public TempWorkspace {
  protected:
    void SetUp() override {
        TempWorkspace::SetUp();
        MakeSampleWorkspace(documents);
    }

    static CurrentSelection Selection(const std::string& designer, const std::string& collection) {
        return {designer, collection, DesignersFolder(designer),
                CollectionFolder(designer, collection), MacroSourceFolder(0)};
    }

    // The scan of garments of Anna's collection, each entry as "type path exists [table]"
    // with the path relative to the workspace root.
    std::vector<std::string> Scan(const std::string& collection,
                                  std::vector<std::string> garments) {
        list = DirectoryParserList{};
        ScanInputs inputs{Selection("Anna", collection), std::move(garments), {}};
        ScanCollection(inputs, list, true);
        return Describe(list);
    }

    // Expected descriptions written with "/", in the system's own form.
    static std::vector<std::string> Natives(const std::vector<std::string>& described) {
        std::vector<std::string> natives;
        for (const std::string& d : described)
            natives.push_back(Native(d));
        return natives;
    }

    std::vector<std::string> Describe(const DirectoryParserList& scanned) const {
        std::vector<std::string> described;
        for (const DirectoryParser& e : scanned.entries) {
            std::string path = e.path;
            if (path.starts_with(root))
                path = path.substr(root.size());
            described.push_back(std::to_string(e.type) + " " + path + (e.exists ? " +" : " -") +
                                (e.tableName.empty() ? "" : " [" + e.tableName + "]"));
        }
        return described;
    }

    // The entries of the table Women referred to as name, with the pictures found for it.
    static std::vector<std::string> WomenTable(const std::string& name, bool pictures) {
        std::vector<std::string> entries = {"0 MeasureTables/Women.mmt + [" + name + "]",
                                            "0 MeasureTables/Women.jpg + [" + name + "]",
                                            "0 MeasureTables/Women.pdf - [" + name + "]",
                                            "0 MeasureTables/Women.html - [" + name + "]",
                                            "0 MeasureTables/Women.txt + [" + name + "]"};
        if (!pictures)
            return entries;
        for (const char* p : {"bust", "waist", "hip"}) {
            for (const char* e : {".jpg", ".txt"}) {
                entries.push_back(std::string("1 MeasurePictures/Women/") + p + e + " + [" + name +
                                  "]");
            }
        }
        return entries;
    }

    static std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts) {
        std::vector<std::string> joined;
        for (const auto& part : parts)
            joined.insert(joined.end(), part.begin(), part.end());
        return joined;
    }

    DirectoryParserList list;
};

const std::vector<std::string> kAnna = {
    "2 Designers/Anna/Anna.jpg +", "2 Designers/Anna/Anna.pdf -", "2 Designers/Anna/Anna.html -",
    "2 Designers/Anna/Anna.txt +"};

TEST_F(MacroScan, SampleCoatsCollection) {
    const std::vector<std::string> expected = Join({
        kAnna,
        {"3 Designers/Anna/Coats/Coats.jpg +", "3 Designers/Anna/Coats/Coats.pdf -",
         "3 Designers/Anna/Coats/Coats.html -", "3 Designers/Anna/Coats/Coats.txt +",
         "4 Designers/Anna/Coats/Trench.mac +", "4 Designers/Anna/Coats/Trench.jpg +",
         "4 Designers/Anna/Coats/Trench.pdf -", "4 Designers/Anna/Coats/Trench.html +",
         "4 Designers/Anna/Coats/Trench.txt +"},
        WomenTable("Women", true),
        {"5 Designers/Anna/Coats/Trench_front.jpg +",
         // add_pict_item "Trench_back.bmp" expects the ".jpg" of that name.
         "5 Designers/Anna/Coats/Trench_back.jpg +", "5 MeasurePictures/collar.txt +",
         "5 MeasurePictures/collar.jpg +", "4 Designers/Anna/Coats/Duffle.mac +",
         "4 Designers/Anna/Coats/Duffle.jpg +", "4 Designers/Anna/Coats/Duffle.pdf -",
         "4 Designers/Anna/Coats/Duffle.html -", "4 Designers/Anna/Coats/Duffle.txt +"},
        // "women": the same table; its pictures are found in MeasurePictures/Women.
        WomenTable("women", true),
        {"5 Designers/Anna/Coats/Duffle_front.jpg +", "5 Designers/Anna/Coats/Duffle_hood.jpg -"},
    });
    EXPECT_EQ(Scan("Coats", {"Trench", "Duffle"}), Natives(expected));
    EXPECT_EQ(list.mmtFiles.Texts(), std::vector<std::string>{"Women.mmt"});
}

TEST_F(MacroScan, PictureInputShadowedByAnEarlierTablePictureOnly) {
    // Sheath reads the table first, so its "bust" input adds nothing.
    const std::vector<std::string> sheath = Join({
        {"4 Designers/Anna/Dresses/Sheath.mac +", "4 Designers/Anna/Dresses/Sheath.jpg +",
         "4 Designers/Anna/Dresses/Sheath.pdf -", "4 Designers/Anna/Dresses/Sheath.html -",
         "4 Designers/Anna/Dresses/Sheath.txt +"},
        WomenTable("Women", true),
        {"5 Designers/Anna/Dresses/Sheath_front.jpg +"},
    });
    std::vector<std::string> scanned = Scan("Dresses", {"Sheath"});
    scanned.erase(scanned.begin(), scanned.begin() + 8);
    EXPECT_EQ(scanned, Natives(sheath));

    // A table read later does not remove the input's entries.
    Write("Designers/Anna/Dresses/Wrap.mac",
          "add_picture_input(\"Bust\", 0, \"bust\");\nmeasure_table(\"Women\");\n");
    scanned = Scan("Dresses", {"Wrap"});
    EXPECT_EQ(scanned[13], Native("5 MeasurePictures/bust.txt -"));
    EXPECT_EQ(scanned[14], Native("5 MeasurePictures/bust.jpg -"));
}

TEST_F(MacroScan, LinesThatNameNothing) {
    Write("Designers/Anna/Coats/Plain.mac",
          "add_picture_input(\"a\", 1, \"\");\n"
          "add_pict_item(1, \"   \");\n"
          "measure_table(\"\");\n"
          "add_pict_item \"no comma\"\n"
          "Add_Pict_Item(1, \"case.jpg\");\n");
    const std::vector<std::string> scanned = Scan("Coats", {"Plain"});
    ASSERT_EQ(scanned.size(), 13u);
    EXPECT_EQ(scanned.back(), Native("4 Designers/Anna/Coats/Plain.txt -"));
}

TEST_F(MacroScan, PictItemTakesTheLastQuotedTextAfterTheLastComma) {
    Write("Designers/Anna/Coats/Two.mac", "add_pict_item(3, \"front.jpg\", \"back.png\");\n");
    EXPECT_EQ(Scan("Coats", {"Two"}).back(), Native("5 Designers/Anna/Coats/back.jpg -"));
}

TEST_F(MacroScan, GarmentNameWithADot) {
    Write("Designers/Anna/Coats/Coat.long.mac", "add_pict_item(1, \"Trench_front.jpg\");\n");
    const std::vector<std::string> scanned = Scan("Coats", {"Coat.long"});
    const std::vector<std::string> expected = {
        "4 Designers/Anna/Coats/Coat.mac -", "4 Designers/Anna/Coats/Coat.long.jpg -",
        "4 Designers/Anna/Coats/Coat.long.pdf -", "4 Designers/Anna/Coats/Coat.long.html -",
        "4 Designers/Anna/Coats/Coat.long.txt -",
        // The scanned file is Coat.long.mac.
        "5 Designers/Anna/Coats/Trench_front.jpg +"};
    EXPECT_EQ(std::vector<std::string>(scanned.begin() + 8, scanned.end()), Natives(expected));
}

TEST_F(MacroScan, MissingMacroGivesItsOwnEntriesOnly) {
    const std::vector<std::string> scanned = Scan("Coats", {"Nowhere"});
    ASSERT_EQ(scanned.size(), 13u);
    EXPECT_EQ(scanned[8], Native("4 Designers/Anna/Coats/Nowhere.mac -"));
}

TEST_F(MacroScan, TableLookups) {
    const struct {
        const char* name;
        std::vector<std::pair<std::string, std::string>> tables;  // file, content
        std::vector<std::string> expected;
        std::vector<std::string> mmtFiles;
    } cases[] = {
        {"no table of that name: the bare name, without folder", {}, {"0 Women.mmt - [Women]"}, {}},
        {"a table that does not parse is skipped",
         {{"Bad.mmt", "Women\tcm\tx\nBust\t1\n"}},
         {"0 Women.mmt - [Women]"},
         {}},
        {"two tables differing in case, upper-case extension",
         {{"A.MMT", "WOMEN\tcm\tx\n"}, {"B.mmt", "women\tcm\tx\n"}, {"C.txt", "Women\tcm\tx\n"}},
         {"0 MeasureTables/A.MMT + [Women]", "0 MeasureTables/A.jpg - [Women]",
          "0 MeasureTables/A.pdf - [Women]", "0 MeasureTables/A.html - [Women]",
          "0 MeasureTables/A.txt - [Women]", "0 MeasureTables/B.mmt + [Women]",
          "0 MeasureTables/B.jpg - [Women]", "0 MeasureTables/B.pdf - [Women]",
          "0 MeasureTables/B.html - [Women]", "0 MeasureTables/B.txt - [Women]"},
         {"A.MMT", "B.mmt"}},
        {"CR LF table: picture names end in CR and find nothing",
         {{"W.mmt", "Women\tcm\tx\r\nBust\t92.5\tB\tbust\r\n"}},
         {"0 MeasureTables/W.mmt + [Women]", "0 MeasureTables/W.jpg - [Women]",
          "0 MeasureTables/W.pdf - [Women]", "0 MeasureTables/W.html - [Women]",
          "0 MeasureTables/W.txt - [Women]"},
         {"W.mmt"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        TempWorkspace::SetUp();
        Write("MeasurePictures/Women/bust.jpg");
        for (const auto& [file, content] : c.tables)
            Write("MeasureTables/" + file, content);
        DirectoryParserList scanned;
        ScanContext context(Selection("Anna", "Coats"));
        AddMeasureTable(scanned, "Women", context);
        std::vector<std::string> described = Describe(scanned);
        // Directory order is the file system's: compare as sets of files, order within a file.
        std::sort(described.begin(), described.end());
        std::vector<std::string> expected = Natives(c.expected);
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(described, expected);
        std::vector<std::string> mmtFiles = scanned.mmtFiles.Texts();
        std::sort(mmtFiles.begin(), mmtFiles.end());
        EXPECT_EQ(mmtFiles, c.mmtFiles);
    }
}

TEST_F(MacroScan, MeasurePictureSearchOrder) {
    Write("MeasurePictures/Women/bust.jpg");
    Write("MeasureTables/bust.jpg");
    Write("MeasureTables/hip.txt");
    // A folder is no picture, a link to a picture is one, a dangling link is none.
    Write("MeasurePictures/dir.jpg/inner.txt");
    Write("MeasurePictures/Women/real.jpg");
    const bool links = MakeLink(At("MeasurePictures/Women/real.jpg"),
                                At("MeasurePictures/Women/link.jpg"), false) &&
                       MakeLink(At("MeasurePictures/Women/gone.jpg"),
                                At("MeasurePictures/Women/dangling.jpg"), false);
    ScanContext context(Selection("Anna", "Coats"));
    const struct {
        std::string file;
        const char* table;
        std::string expected;
    } cases[] = {
        {"bust.jpg", "Women", At("MeasurePictures/Women/bust.jpg")},
        {"bust.jpg", "Men", At("MeasureTables/bust.jpg")},
        {"collar.jpg", "Women", At("MeasurePictures/collar.jpg")},
        {"hip.txt", "", At("MeasureTables/hip.txt")},
        {"none.jpg", "Women", ""},
        {"bust\r.jpg", "Women", ""},
        {"dir.jpg", "Women", ""},
        {"link.jpg", "Women", At("MeasurePictures/Women/link.jpg")},
        {"dangling.jpg", "Women", ""},
        {"Women/bust.jpg", "", At("MeasurePictures/Women/bust.jpg")},
        {std::string(300, 'a') + ".jpg", "Women", ""},
    };
    for (const auto& c : cases) {
        if (!links && (c.file == "link.jpg" || c.file == "dangling.jpg"))
            continue;  // this system makes no links
        EXPECT_EQ(FindMeasurePicture(c.file, c.table), c.expected) << c.file << " " << c.table;
        EXPECT_EQ(context.FindMeasurePicture(c.file, c.table), c.expected) << c.file;
    }
}

TEST_F(MacroScan, EachScanSeesTheDiskAsItIsThen) {
    EXPECT_EQ(Scan("Coats", {"Trench"})[18], Native("1 MeasurePictures/Women/bust.jpg + [Women]"));
    Remove("MeasurePictures/Women/bust.jpg");
    Write("MeasureTables/Women.mmt", "Women\tcm\tx\n");
    const std::vector<std::string> scanned = Scan("Coats", {"Trench"});
    EXPECT_EQ(scanned[18], Native("5 Designers/Anna/Coats/Trench_front.jpg +"));
}

// Scans that share the tables of a run give what a scan of its own gives, also once the tables
// or the folders of their pictures have changed since the share took them.
TEST_F(MacroScan, ScansSharingTablesSeeEveryChange) {
    const std::shared_ptr<ScanShare> share = MakeScanShare();
    // Only tables and folders written a while ago are shared.
    const auto old = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
    for (const auto& item : std::filesystem::recursive_directory_iterator(FsPath(root)))
        std::filesystem::last_write_time(item.path(), old);
    std::filesystem::last_write_time(FsPath(root), old);
    const struct {
        const char* change;
        std::function<void()> make;
    } changes[] = {
        {"none", [] {}},
        {"a picture removed", [&] { Remove("MeasurePictures/Women/bust.jpg"); }},
        {"a picture added in another case", [&] { Write("MeasurePictures/Women/BUST.JPG"); }},
        {"a picture added to MeasurePictures", [&] { Write("MeasurePictures/hip.jpg"); }},
        {"a text added to MeasureTables", [&] { Write("MeasureTables/waist.txt"); }},
        {"the table rewritten",
         [&] { Write("MeasureTables/Women.mmt", "Women\tcm\t1\nNeck\t35\tNeck girth\tbust\n"); }},
        {"another table of the name",
         [&] { Write("MeasureTables/Women2.mmt", "WOMEN\tcm\t1\nHip\t95\tHip\thip\n"); }},
        {"the picture folder removed",
         [&] { std::filesystem::remove_all(FsPath(At("MeasurePictures/Women"))); }},
        {"the picture folder back in another case",
         [&] { Write("MeasurePictures/WOMEN/hip.txt"); }},
        {"the table renamed inside", [&] { Write("MeasureTables/Women.mmt", "Men\tcm\t1\n"); }},
    };
    for (const auto& c : changes) {
        SCOPED_TRACE(c.change);
        c.make();
        for (const char* collection : {"Coats", "Dresses"}) {
            DirectoryParserList shared;
            ScanCollection({Selection("Anna", collection), {"Trench", "Sheath"}, {}, share}, shared,
                           true);
            EXPECT_EQ(Describe(shared), Scan(collection, {"Trench", "Sheath"})) << collection;
        }
    }
}

// Only the tables a macro names are read beyond their header line: a broken table nobody uses
// stops nothing, a used one stops the scan with its file, row and value.
TEST_F(MacroScan, TableValueThatIsNoNumberFailsTheScanOnlyWhenTheTableIsUsed) {
    Write("MeasureTables/Bad.mmt", "Men\tcm\tx\nChest\t1,5\tC\tc\n");
    Write("MeasureTables/Junk.mmt", std::string(1 << 20, '\t'));
    EXPECT_EQ(Scan("Coats", {"Trench"})[13], Native("0 MeasureTables/Women.mmt + [Women]"));
    Write("Designers/Anna/Coats/Trench.mac", "measure_table(\"MEN\");\n");
    try {
        Scan("Coats", {"Trench"});
        ADD_FAILURE() << "no error";
    } catch (const MmtValueError& error) {
        const std::string message = error.what();
        EXPECT_NE(message.find(At("MeasureTables/Bad.mmt")), std::string::npos) << message;
        EXPECT_NE(message.find("\"1,5\" of row 1"), std::string::npos) << message;
    }
}

TEST_F(MacroScan, GarmentPathsFromTheCollectionBox) {
    ScanInputs inputs{Selection("Anna", "Coats"), {"Sheath"}, "Dresses"};
    DirectoryParserList byBox;
    ScanCollection(inputs, byBox, false);
    EXPECT_EQ(Describe(byBox)[8], Native("4 Designers/Anna/Dresses/Sheath.mac +"));
    DirectoryParserList cached;
    ScanCollection(inputs, cached, true);
    EXPECT_EQ(Describe(cached)[8], Native("4 Designers/Anna/Coats/Sheath.mac -"));
}

// A workspace copied from Windows: every name is found whatever its case, and the entries carry
// the names as they are on disk.
TEST_F(TempWorkspace, ScanFindsNamesAsWindowsWould) {
    Write("Designers/Anna/Anna.jpg");
    Write("Designers/Anna/Coats/Coat1.mac",
          "measure_table(\"women\");\nadd_pict_item(1, \"front.jpg\");\n"
          "add_picture_input(\"a\", 1, \"COLLAR\");\n");
    Write("Designers/Anna/Coats/COAT1.jpg");
    Write("Designers/Anna/Coats/Coat1.PDF");
    Write("Designers/Anna/Coats/Front.JPG");
    Write("MeasureTables/Women.MMT", "Women\tcm\tx\nBust\t92\tB\tbust_pic\n");
    Write("MeasurePictures/Women/Bust_Pic.jpg");
    Write("MeasurePictures/Women/bust_pic.TXT");
    Write("MeasurePictures/Collar.jpg");
    DirectoryParserList list;
    ScanInputs inputs{{"Anna", "Coats", DesignersFolder("Anna"), CollectionFolder("Anna", "Coats"),
                       MacroSourceFolder(0)},
                      {"coat1"},
                      {}};
    ScanCollection(inputs, list, true);
    std::vector<std::string> found;
    for (const DirectoryParser& e : list.entries) {
        if (e.exists)
            found.push_back(std::to_string(e.type) + " " + e.path.substr(root.size()) + " " +
                            e.tableName);
    }
    std::vector<std::string> expected = {
        "2 Designers/Anna/Anna.jpg ",
        "4 Designers/Anna/Coats/Coat1.mac ",
        "4 Designers/Anna/Coats/COAT1.jpg ",
        "4 Designers/Anna/Coats/Coat1.PDF ",
        "0 MeasureTables/Women.MMT women",
        "1 MeasurePictures/Women/Bust_Pic.jpg women",
        "1 MeasurePictures/Women/bust_pic.TXT women",
        "5 Designers/Anna/Coats/Front.JPG ",
        "5 MeasurePictures/Collar.jpg ",
    };
    std::transform(expected.begin(), expected.end(), expected.begin(),
                   [](const std::string& e) { return Native(e); });
    EXPECT_EQ(found, expected);
    EXPECT_EQ(list.mmtFiles.Texts(), std::vector<std::string>{"Women.MMT"});
}

// A table name that cannot be a folder's name: no sub-folder of MeasurePictures is searched for
// its pictures, the others are.
TEST_F(TempWorkspace, TableNameThatCannotBeAFolder) {
    Write("MeasureTables/T.mmt", "a|b\tcm\tx\nR\t1\tt\tpic\nS\t2\tt\tother\n");
    Write("MeasurePictures/pic.jpg");
    // Windows holds no such folder; elsewhere it exists and must still not be searched.
    if (kPathSeparator == '/')
        Write("MeasurePictures/a|b/other.jpg");
    DirectoryParserList list;
    ScanContext context({"Anna", "Coats", DesignersFolder("Anna"),
                         CollectionFolder("Anna", "Coats"), MacroSourceFolder(0)});
    ASSERT_NO_THROW(AddMeasureTable(list, "a|b", context));
    ASSERT_EQ(list.entries.size(), 6u);
    EXPECT_EQ(list.entries[5].path, At("MeasurePictures/pic.jpg"));
    EXPECT_EQ(context.FindMeasurePicture("other.jpg", "a|b"), "");
    EXPECT_NO_THROW(FindMeasurePicture("pic.jpg", "<>"));
}

}  // namespace
}  // namespace kb::test
