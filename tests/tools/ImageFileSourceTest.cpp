// The pictures lumetto-phone sends from image files: each scaled to the
// screen keeping its proportions, centred on black, shown in turn.
#include "tools/phone/ImageFileSource.h"

#include "tests/support/QtTestEnvironment.h"
#include "tests/support/TempFolder.h"

#include <QGuiApplication>
#include <QImage>

#include <gtest/gtest.h>

namespace {

void NeedGui() {
    ASSERT_NE(QGuiApplication::instance(), nullptr);
}

TEST(ImageFileSource, ImageFilesAreScaledAndCycled) {
    NeedGui();
    CTempFolder dir;
    const std::string red = dir.File("red.png"), blue = dir.File("blue.bmp");
    QImage wide(100, 50, QImage::Format_RGB32);
    wide.fill(QColor(255, 0, 0));
    ASSERT_TRUE(wide.save(QString::fromStdString(red)));
    QImage square(30, 30, QImage::Format_RGB32);
    square.fill(QColor(0, 0, 255));
    ASSERT_TRUE(square.save(QString::fromStdString(blue)));

    CImageFileSource source(176, 208);
    std::string error;
    ASSERT_TRUE(source.Load({red, blue}, error)) << error;
    std::vector<std::uint16_t> p0, p1, p2;
    source.Render(0, 0, p0);
    source.Render(1, 0, p1);
    source.Render(2, 0, p2);
    EXPECT_EQ(p0, p2);
    ASSERT_EQ(p0.size(), 176u * 208u);
    // Wide picture: full width, centred vertically on black.
    EXPECT_EQ(p0[0], 0x000);
    EXPECT_EQ(p0[104 * 176 + 88], 0xF00);
    EXPECT_EQ(p0[104 * 176 + 0], 0xF00);
    // Square picture: full width too (the screen is taller than wide).
    EXPECT_EQ(p1[104 * 176 + 88], 0x00F);

    EXPECT_FALSE(source.Load({dir.File("missing.png")}, error));
    EXPECT_NE(error.find("missing.png"), std::string::npos);
}

} // namespace
