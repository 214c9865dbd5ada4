// The wizard pictures reach makensis as plain BMPs, whatever BMP (or other picture) the designer
// gave, and the designer's file stays as it was.
#include "compiler/staged_picture.h"

#include <gtest/gtest.h>

#include <QImage>

#include <filesystem>

#include "compiler/diagnostics.h"
#include "tests/compiler/sample_setup.h"
#include "tests/support/temp_folder.h"

namespace compiler::test {
namespace {

namespace fs = std::filesystem;

std::uint32_t Little(const std::string& bytes, size_t at, size_t size) {
    std::uint32_t value = 0;
    for (size_t i = 0; i < size; ++i)
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    return value;
}

// ImageMagick's default BMP: a BITMAPV5HEADER, which makensis refuses.
const std::string kV5Picture = KB_COMPIL32_DATA "/wizard_v5.bmp";

TEST(StagedPicture, EveryReadablePictureBecomesAPlainBmp) {
    kb::test::TempFolder temp;
    const std::string png = temp.Path() + "/wizard.png";
    QImage transparent(7, 5, QImage::Format_ARGB32);
    transparent.fill(Qt::transparent);
    ASSERT_TRUE(transparent.save(QString::fromStdString(png)));
    struct Case {
        std::string from;
        std::uint32_t width, height;
    };
    for (const Case& c : {Case{kV5Picture, 16, 12}, Case{png, 7, 5}}) {
        const std::string before = ReadBytes(c.from);
        ASSERT_EQ(Little(before, 14, 4) == 124, c.from == kV5Picture);
        const std::string to = temp.Path() + "/staged.bmp";
        StagePicture(c.from, to);
        const std::string staged = ReadBytes(to);
        ASSERT_GT(staged.size(), 54u) << c.from;
        EXPECT_EQ(staged.substr(0, 2), "BM") << c.from;
        EXPECT_EQ(Little(staged, 14, 4), 40u) << "a BITMAPINFOHEADER, " << c.from;
        EXPECT_EQ(Little(staged, 18, 4), c.width) << c.from;
        EXPECT_EQ(Little(staged, 22, 4), c.height) << c.from;
        EXPECT_EQ(Little(staged, 28, 2), 24u) << "bits per pixel, " << c.from;
        EXPECT_EQ(Little(staged, 30, 4), 0u) << "no compression, no masks, " << c.from;
        EXPECT_EQ(ReadBytes(c.from), before) << c.from;
    }
    // Transparent parts become the page's white.
    const QImage staged(QString::fromStdString(temp.Path() + "/staged.bmp"));
    EXPECT_EQ(staged.pixel(3, 2), qRgb(255, 255, 255));
}

TEST(StagedPicture, APictureThatCannotBeReadIsNamed) {
    kb::test::TempFolder temp;
    const std::string broken = temp.Path() + "/Coats_setup.bmp";
    WriteBytes(broken, "BM not a picture at all");
    try {
        StagePicture(broken, temp.Path() + "/staged.bmp");
        FAIL() << "no error";
    } catch (const CompileError& error) {
        EXPECT_NE(std::string(error.what()).find(broken + ": the setup picture cannot be read"),
                  std::string::npos)
            << error.what();
    }
    EXPECT_FALSE(fs::exists(temp.Path() + "/staged.bmp"));
}

// The whole road: a setup whose wizard picture has a V5 header builds.
TEST(StagedPicture, ASetupWithAV5WizardPictureBuilds) {
    if (!HasProgram("makensis"))
        GTEST_SKIP() << "makensis is missing";
    kb::test::TempFolder temp;
    const SampleSetup sample = MakeSampleSetup(temp.Path() + "/work");
    const std::string picture = sample.workspace + "/Coats wizard.bmp";
    fs::copy_file(kV5Picture, picture);
    std::string script = ReadBytes(sample.script);
    const size_t line = script.find("WizardImageFile=");
    ASSERT_NE(line, std::string::npos);
    script.replace(line, script.find('\n', line) - line, "WizardImageFile=" + picture);
    WriteBytes(sample.script, script);
    const RunResult built = RunProgram({KB_COMPIL32_EXE, "/cc", sample.script},
                                       {"XDG_CONFIG_HOME=" + sample.workspace + "/no-settings"});
    EXPECT_EQ(built.exitCode, 0) << built.output;
    EXPECT_TRUE(fs::exists(sample.setup));
    EXPECT_EQ(ReadBytes(picture), ReadBytes(kV5Picture));
}

}  // namespace
}  // namespace compiler::test
