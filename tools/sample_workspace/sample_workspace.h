#pragma once
// A small sample workspace for first looks, demonstrations and other folders' tests.
//
// Below <documents folder>/Bobbinwright/Personal Files it writes:
//   Designers/Anna/            Anna.jpg, Anna.txt, Website.txt, Anna_License.txt
//   Designers/Anna/Coats/      Coats.jpg, Coats.txt, Password.txt, CollectionVersion.txt,
//                              Coats_BeforeInstall.txt, Coats_AfterInstall.txt, Coats_mini.bmp,
//                              Trench.mac/.jpg/.txt/.html, Duffle.mac/.jpg/.txt,
//                              Trench_front.jpg, Trench_back.jpg, Duffle_front.jpg
//   Designers/Anna/Dresses/    Dresses.jpg, Dresses.txt, CollectionVersion.txt,
//                              Sheath.mac/.jpg/.txt, Sheath_front.jpg
//   Designers/                 Cape.mac/.jpg/.txt and Cape_back.jpg (Stylesmith macro to add)
//   Patterns/                  Skirt.mac/.jpg/.txt (Draftbench macro to add)
//   MeasureTables/             Women.mmt/.jpg/.txt (inner name "Women", rows bust, waist, hip)
//   MeasurePictures/           collar.jpg/.txt; Women/ bust, waist, hip (.jpg and .txt each)
//   Installations/
// Trench names the table as "Women", Duffle as "women"; Sheath's add_picture_input "bust" is
// shadowed by the table's own bust picture. Duffle names the picture Duffle_hood.jpg, which is
// deliberately missing (kSampleMissingFile). No PDF files are written, so the designer's,
// collections' and garments' ".pdf" (and most ".html") files are reported missing as well.
#include <string>
#include <vector>

namespace kb {

inline constexpr const char* kSampleDesigner = "Anna";
inline constexpr const char* kSampleCollection = "Coats";
inline constexpr const char* kSampleSecondCollection = "Dresses";
inline constexpr const char* kSampleTable = "Women";
inline constexpr const char* kSampleMissingFile = "Duffle_hood.jpg";

// Writes (or rewrites) the sample below documentsFolder; answers the workspace root, without
// a trailing separator. Raises kb::FileError when a file cannot be written.
std::string MakeSampleWorkspace(const std::string& documentsFolder);

// The command line of make_sample_workspace, after the program name: "--help" (or "-h") asks for
// the usage, "--" ends the options, any other argument starting with "-" is an error, and exactly
// one folder is required.
struct SampleToolArguments {
    bool help = false;
    std::string folder;
    std::string error;  // what is wrong with the command line; empty when nothing is
};
SampleToolArguments ParseSampleToolArguments(const std::vector<std::string>& arguments);

}  // namespace kb
