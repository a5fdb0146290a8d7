#include "display/SkinCatalog.h"
#include "display/SkinFile.h"
#include "display/SkinMenu.h"
#include "res/BitmapResources.h"

#include "tests/display/QtTestApp.h"
#include "tests/support/TempFolder.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    if (v)
        return v;
    return std::string(name) == "LUMETTO_BIN_DIR" ? LUMETTO_TEST_BIN_DIR : LUMETTO_TEST_SOURCE_DIR;
}

TEST(Resources, BuiltinBitmapsHaveTheirSizesAndColours) {
    EnsureQtApp();
    struct Case {
        int id, w, h;
        bool white;
    };
    for (const Case& c : {Case{140, 176, 208, true}, Case{143, 208, 320, true},
                          Case{201, 176, 208, false}, Case{202, 208, 320, false}}) {
        SCOPED_TRACE(c.id);
        const QImage img = LoadBitmapResource(c.id);
        ASSERT_FALSE(img.isNull());
        EXPECT_EQ(img.size(), QSize(c.w, c.h));
        EXPECT_EQ(img.format(), QImage::Format_Indexed8); // 16 or 256 colours
        EXPECT_LE(img.colorCount(), c.white ? 16 : 256);
        const QImage rgb = img.convertToFormat(QImage::Format_RGB32);
        bool allWhite = true;
        for (int y = 0; y < rgb.height(); ++y)
            for (int x = 0; x < rgb.width(); ++x)
                allWhite = allWhite && (rgb.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF;
        EXPECT_EQ(allWhite, c.white);
    }
    EXPECT_FALSE(LoadBitmapResource(128).isNull());
    EXPECT_FALSE(ApplicationIcon().isNull());
    EXPECT_TRUE(LoadBitmapResource(141).isNull());
}

TEST(Resources, ShippedSkinsAreValidAndCopiedBesideTheProgram) {
    EnsureQtApp();
    const std::string res = Env("LUMETTO_SOURCE_DIR") + "/res/";
    const std::string bin = Env("LUMETTO_BIN_DIR") + "/";
    struct Case {
        const char* folder;
        int platform, w, h;
    };
    for (const Case& c : {Case{"S60", 0, 176, 208}, Case{"UIQ", 1, 208, 320}}) {
        SCOPED_TRACE(c.folder);
        const std::string folder = res + "skins/" + c.folder + "/";
        const std::vector<std::string> files = ListSkinFiles(folder);
        ASSERT_FALSE(files.empty());
        EXPECT_EQ(FindDefaultSkinFile(folder), "default.lumetto");
        for (const std::string& name : files) {
            SCOPED_TRACE(name);
            const auto skin = ReadSkinFile(folder + name);
            ASSERT_TRUE(skin);
            EXPECT_EQ(skin->nPlatform, c.platform);
            EXPECT_EQ(skin->nRight - skin->nLeft, c.w);
            EXPECT_EQ(skin->nBottom - skin->nTop, c.h);
            const QImage img(QString::fromStdString(SkinBitmapPath(folder + name)));
            ASSERT_FALSE(img.isNull());
            EXPECT_LE(skin->nRight, img.width());
            EXPECT_LE(skin->nBottom, img.height());
            // The copy beside the program is the same file.
            std::ifstream a(folder + name, std::ios::binary),
                b(bin + "skins/" + c.folder + "/" + name, std::ios::binary);
            EXPECT_TRUE(std::equal(std::istreambuf_iterator<char>(a), {},
                                   std::istreambuf_iterator<char>(b), {}));
        }
    }
}

// The committed pictures are exactly what the generator draws.
TEST(Resources, GeneratorRedrawsTheCommittedPictures) {
    EnsureQtApp();
    CTempFolder out;
    const QString tool = QString::fromStdString(Env("LUMETTO_BIN_DIR") + "/lumetto-makeres");
    ASSERT_EQ(QProcess::execute(tool, {QString::fromStdString(out.Path())}), 0);
    const std::string res = Env("LUMETTO_SOURCE_DIR") + "/res/";
    for (const char* f :
         {"bitmaps/128.bmp", "bitmaps/140.bmp", "bitmaps/143.bmp", "bitmaps/201.bmp",
          "bitmaps/202.bmp", "skins/S60/default.bmp", "skins/S60/default.lumetto",
          "skins/S60/Silver.bmp", "skins/S60/Silver.lumetto", "skins/UIQ/default.bmp",
          "skins/UIQ/default.lumetto"}) {
        SCOPED_TRACE(f);
        std::ifstream a(res + f, std::ios::binary), b(out.Path() + f, std::ios::binary);
        ASSERT_TRUE(a && b);
        EXPECT_TRUE(std::equal(std::istreambuf_iterator<char>(a), {},
                               std::istreambuf_iterator<char>(b), {}));
    }
}

} // namespace
