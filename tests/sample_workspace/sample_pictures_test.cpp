#include <gtest/gtest.h>
#include <QImageReader>
#include <QString>
#include <QTemporaryDir>

#include "tools/sample_workspace/sample_workspace.h"

namespace kb {
namespace {

// Every picture of the sample reads as a picture of at least the size the window shows it at.
TEST(SampleWorkspace, PicturesFillWhereTheyAreShown) {
    struct Case {
        const char* file;
        int width;  // at least
        int height;
    };
    const Case cases[] = {
        // The item panel shows pictures at 250 x 250.
        {"Designers/Anna/Anna.jpg", 250, 250},
        {"Designers/Anna/Coats/Coats.jpg", 250, 250},
        {"Designers/Anna/Coats/Trench.jpg", 250, 250},
        {"Designers/Anna/Coats/Trench_front.jpg", 250, 250},
        {"Designers/Anna/Dresses/Dresses.jpg", 250, 250},
        {"Designers/Anna/Dresses/Sheath.jpg", 250, 250},
        {"Designers/Cape.jpg", 250, 250},
        {"Patterns/Skirt.jpg", 250, 250},
        {"MeasureTables/Women.jpg", 250, 250},
        {"MeasurePictures/Women/bust.jpg", 250, 250},
        // The installer wizard's side picture.
        {"Designers/Anna/Coats/Coats_mini.bmp", 164, 314},
    };
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const std::string root = MakeSampleWorkspace(temp.path().toStdString());
    for (const Case& c : cases) {
        QImageReader reader(QString::fromStdString(root + "/" + c.file));
        const QImage image = reader.read();
        ASSERT_FALSE(image.isNull()) << c.file << ": " << reader.errorString().toStdString();
        EXPECT_GE(image.width(), c.width) << c.file;
        EXPECT_GE(image.height(), c.height) << c.file;
    }
    // The setup picture is exactly the wizard's size, so that it is not stretched.
    const QImage setup(QString::fromStdString(root + "/Designers/Anna/Coats/Coats_mini.bmp"));
    EXPECT_EQ(setup.size(), QSize(164, 314));
}

}  // namespace
}  // namespace kb
