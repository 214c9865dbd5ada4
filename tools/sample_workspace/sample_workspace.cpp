#include "tools/sample_workspace/sample_workspace.h"

#include <cstddef>
#include <initializer_list>
#include <string_view>

#include "foundation/errors.h"
#include "foundation/files.h"
#include "foundation/paths.h"

namespace kb {
namespace {

// The pictures drawn at build time (see CMakeLists.txt): kSample...Jpeg and kSampleSetupBmp.
#include "sample_pictures.inc"

template <size_t N>
constexpr std::string_view Bytes(const unsigned char (&bytes)[N]) {
    return {reinterpret_cast<const char*>(bytes), N};
}

const std::string_view kDesignerPicture = Bytes(kSampleDesignerJpeg);
const std::string_view kCoatsPicture = Bytes(kSampleCoatsJpeg);
const std::string_view kDressesPicture = Bytes(kSampleDressesJpeg);
const std::string_view kCoatPicture = Bytes(kSampleCoatJpeg);
const std::string_view kDressPicture = Bytes(kSampleDressJpeg);
const std::string_view kMeasurePicture = Bytes(kSampleMeasureJpeg);
const std::string_view kSetupPicture = Bytes(kSampleSetupBmp);

class SampleWriter {
  public:
    explicit SampleWriter(std::string root) : root_(std::move(root)) {}

    void File(std::string_view relative, std::string_view content) const {
        const std::string path = PathJoin(root_, relative);
        if (!WriteTextFile(path, content))
            throw FileError("Cannot write " + path);
    }
    void Pictures(std::string_view picture,
                  std::initializer_list<std::string_view> relatives) const {
        for (std::string_view relative : relatives)
            File(relative, picture);
    }
    void Folder(std::string_view relative) const {
        const std::string path = PathJoin(root_, relative);
        if (!EnsureFolder(path))
            throw FileError("Cannot create the folder " + path);
    }

  private:
    std::string root_;
};

void WriteDesigner(const SampleWriter& w) {
    w.Pictures(kDesignerPicture, {"Designers/Anna/Anna.jpg"});
    w.File("Designers/Anna/Anna.txt", "Anna designs coats and dresses for every season.");
    w.File("Designers/Anna/Website.txt", "https://anna.example.com");
    w.File("Designers/Anna/Anna_License.txt",
           "These patterns are for personal use only.\r\nDo not resell them.\r\n");
}

void WriteCoats(const SampleWriter& w) {
    w.Pictures(kCoatsPicture, {"Designers/Anna/Coats/Coats.jpg"});
    w.Pictures(kCoatPicture,
               {"Designers/Anna/Coats/Trench.jpg", "Designers/Anna/Coats/Duffle.jpg",
                "Designers/Anna/Coats/Trench_front.jpg", "Designers/Anna/Coats/Trench_back.jpg",
                "Designers/Anna/Coats/Duffle_front.jpg"});
    w.File("Designers/Anna/Coats/Coats.txt", "Coats for wind and rain.");
    w.File("Designers/Anna/Coats/Password.txt", "anna2024");
    w.File("Designers/Anna/Coats/CollectionVersion.txt", "1.2");
    w.File("Designers/Anna/Coats/Coats_BeforeInstall.txt", "Close Bobbinwright before installing.");
    w.File("Designers/Anna/Coats/Coats_AfterInstall.txt", "The coats are in your collection list.");
    w.File("Designers/Anna/Coats/Coats_mini.bmp", kSetupPicture);
    w.File("Designers/Anna/Coats/Trench.txt", "A double-breasted trench coat.");
    w.File("Designers/Anna/Coats/Trench.html", "<html><body>Trench coat</body></html>");
    w.File("Designers/Anna/Coats/Trench.mac",
           "// Trench coat\r\n"
           "measure_table(\"Women\");\r\n"
           "add_pict_item(1, \"Trench_front.jpg\");\r\n"
           "add_pict_item(2, \"Trench_back.bmp\");\r\n"
           "add_picture_input(\"Collar width\", 12.5, \"collar\");\r\n"
           "draw_line(0, 0, 10, 10);\r\n");
    w.File("Designers/Anna/Coats/Duffle.txt", "A duffle coat with a hood.");
    w.File("Designers/Anna/Coats/Duffle.mac",
           "// Duffle coat\n"
           "measure_table(\"women\");\n"
           "add_pict_item(1, \"Duffle_front.jpg\");\n"
           "add_pict_item(2, \"Duffle_hood.jpg\");\n");
}

void WriteDresses(const SampleWriter& w) {
    w.Pictures(kDressesPicture, {"Designers/Anna/Dresses/Dresses.jpg"});
    w.Pictures(kDressPicture,
               {"Designers/Anna/Dresses/Sheath.jpg", "Designers/Anna/Dresses/Sheath_front.jpg"});
    w.File("Designers/Anna/Dresses/Dresses.txt", "Dresses for the summer.");
    w.File("Designers/Anna/Dresses/CollectionVersion.txt", "0.9");
    w.File("Designers/Anna/Dresses/Sheath.txt", "A sheath dress.");
    w.File("Designers/Anna/Dresses/Sheath.mac",
           "measure_table(\"Women\");\n"
           "add_pict_item(1, \"Sheath_front.jpg\");\n"
           "add_picture_input(\"Bust\", 0, \"bust\");\n");
}

void WriteMacroSources(const SampleWriter& w) {
    w.Pictures(kCoatPicture, {"Designers/Cape.jpg", "Designers/Cape_back.jpg"});
    w.Pictures(kDressPicture, {"Patterns/Skirt.jpg"});
    w.File("Designers/Cape.txt", "A short cape.");
    w.File("Designers/Cape.mac",
           "measure_table(\"Women\");\n"
           "add_pict_item(1, \"Cape_back.jpg\");\n");
    w.File("Patterns/Skirt.txt", "A pleated skirt.");
    w.File("Patterns/Skirt.mac", "measure_table(\"Women\");\n");
}

void WriteMeasures(const SampleWriter& w) {
    w.File("MeasureTables/Women.mmt",
           "Women\tcm\t1\n"
           "Bust\t92.5\tBust girth\tbust\n"
           "Waist\t74\tWaist girth\twaist\n"
           "Hip\t98\tHip girth\thip\n");
    w.Pictures(
        kMeasurePicture,
        {"MeasureTables/Women.jpg", "MeasurePictures/collar.jpg", "MeasurePictures/Women/bust.jpg",
         "MeasurePictures/Women/waist.jpg", "MeasurePictures/Women/hip.jpg"});
    w.File("MeasureTables/Women.txt", "Standard women's measurements.");
    w.File("MeasurePictures/collar.txt", "Measure the collar from point to point.");
    w.File("MeasurePictures/Women/bust.txt", "Around the fullest part of the bust.");
    w.File("MeasurePictures/Women/waist.txt", "Around the natural waist.");
    w.File("MeasurePictures/Women/hip.txt", "Around the fullest part of the hips.");
}

}  // namespace

std::string MakeSampleWorkspace(const std::string& documentsFolder) {
    const std::string root = FullPath(documentsFolder, "Bobbinwright", "Personal Files");
    const SampleWriter writer(root);
    WriteDesigner(writer);
    WriteCoats(writer);
    WriteDresses(writer);
    WriteMacroSources(writer);
    WriteMeasures(writer);
    writer.Folder("Installations");
    return root;
}

SampleToolArguments ParseSampleToolArguments(const std::vector<std::string>& arguments) {
    SampleToolArguments parsed;
    std::vector<std::string> folders;
    bool options = true;
    for (const std::string& argument : arguments) {
        if (options && argument == "--") {
            options = false;
        } else if (options && (argument == "--help" || argument == "-h")) {
            parsed.help = true;
        } else if (options && argument.size() > 1 && argument[0] == '-') {
            parsed.error = "unknown option " + argument;
            return parsed;
        } else {
            folders.push_back(argument);
        }
    }
    if (parsed.help)
        return parsed;
    if (folders.size() != 1) {
        parsed.error = folders.empty() ? "a documents folder is required"
                                       : "only one documents folder may be given";
        return parsed;
    }
    parsed.folder = folders.front();
    return parsed;
}

}  // namespace kb
