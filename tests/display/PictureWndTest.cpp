#include "display/FrameClient.h"
#include "display/ScreenWnd.h"
#include "display/SkinCatalog.h"
#include "display/SkinDisplay.h"
#include "display/SkinMenu.h"
#include "display/SkinWnd.h"
#include "res/BitmapResources.h"

#include "QtTestApp.h"
#include "tests/support/TempFolder.h"

#include <QMenu>
#include <QScrollBar>

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

// Stands in for the view.
struct CHost : IPictureHost {
    bool recording = false;
    std::vector<QSize> resizes;
    CFrameClient* frame = nullptr;
    bool IsRecording() const override { return recording; }
    void ResizeToContent(int cx, int cy) override {
        resizes.emplace_back(cx, cy);
        if (frame)
            frame->ResizeToContent(cx, cy);
    }
};

// A known screen: pixel (x, y) has red x, green y, blue 77. Bottom-up rows,
// 4-byte aligned, and a slack row that holds red so that drawing it would show.
std::vector<std::uint8_t> TestScreen(int w, int h) {
    const std::size_t stride = lumetto::DibRowStride(w);
    std::vector<std::uint8_t> bits(lumetto::ScreenImageSize(w, h), 0);
    for (int y = 0; y < h; ++y) {
        std::uint8_t* row = bits.data() + stride * (h - 1 - y);
        for (int x = 0; x < w; ++x) {
            row[3 * x] = 77;
            row[3 * x + 1] = static_cast<std::uint8_t>(y);
            row[3 * x + 2] = static_cast<std::uint8_t>(x);
        }
    }
    std::uint8_t* slack = bits.data() + stride * h;
    for (int x = 0; x < w; ++x)
        slack[3 * x + 2] = 255;
    return bits;
}

QRgb Expected(int x, int y) {
    return qRgb(x, y, 77);
}

std::string SourceResFolder() {
    const char* src = std::getenv("LUMETTO_SOURCE_DIR");
    return std::string(src ? src : LUMETTO_TEST_SOURCE_DIR) + "/res/";
}

// Makes the application before any widget of the fixture.
struct CQtAppFirst {
    CQtAppFirst() { EnsureQtApp(); }
};

class PictureWndTest : private CQtAppFirst, public ::testing::Test {
protected:
    PictureWndTest() {
        view.resize(600, 1000);
        screen = new CScreenWnd(&host, &view);
        screen->LoadResourceBitmap(201);
        skin = new CSkinWnd(&host, &view);
        skin->LoadResourceBitmap(140);
        screen->SetSkinWindow(skin);
        catalog.SetWindows(&display);
        catalog.SetProgramFolder(SourceResFolder());
    }

    QImage Grab() { return view.grab().toImage().convertToFormat(QImage::Format_RGB32); }

    // Every screen pixel lands in its zoom x zoom block at the rectangle's corner.
    void ExpectScreenAt(const QImage& img, int left, int top, int w, int h, int zoom) {
        int wrong = 0;
        for (int y = 0; y < h * zoom && wrong < 5; ++y)
            for (int x = 0; x < w * zoom && wrong < 5; ++x) {
                const QRgb got = img.pixel(left + x, top + y) & 0xFFFFFF;
                const QRgb want = Expected(x / zoom, y / zoom) & 0xFFFFFF;
                if (got != want) {
                    ++wrong;
                    ADD_FAILURE() << "at " << x << "," << y << " got " << std::hex << got
                                  << " want " << want;
                }
            }
    }

    QWidget view;
    CHost host;
    CScreenWnd* screen;
    CSkinWnd* skin;
    CSkinDisplay display{nullptr, nullptr};
    CSkinCatalog catalog{SkinBitmapLoads};
    QMenu menu;

    // What the decoder does with a payload that brings a whole picture:
    // the model holds it, the window observes the model.
    void Show(const std::vector<std::uint8_t>& bits, int w, int h) {
        std::copy(bits.begin(), bits.end(), model.NewPicture(w, h).Bits());
        model.AddSink(screen);
        model.Publish(0, h, 12);
    }

    CScreenModel model;

    void Bind() {
        display = CSkinDisplay(skin, screen);
        catalog.LoadSkinMenu(CSkinMenu::For(&menu, &catalog), 0);
    }
};

TEST_F(PictureWndTest, ShippedSkinShowsTheScreenInItsRectangleAtZoomOneAndTwo) {
    Bind();
    ASSERT_NE(catalog.CurrentSkin(), nullptr);
    ASSERT_FALSE(catalog.CurrentSkin()->IsBuiltin());
    SRect rc;
    catalog.GetScreenRect(rc);
    ASSERT_EQ(rc.Width(), 176);
    ASSERT_EQ(rc.Height(), 208);
    const QImage skinPicture = skin->Bitmap();
    ASSERT_FALSE(host.resizes.empty());
    EXPECT_EQ(host.resizes.back(), skinPicture.size());

    const std::vector<std::uint8_t> bits = TestScreen(176, 208);
    Show(bits, 176, 208);
    EXPECT_FALSE(screen->IsBitmapMode());
    EXPECT_EQ(screen->geometry(), QRect(rc.left, rc.top, 176, 208));

    QImage img = Grab();
    ExpectScreenAt(img, rc.left, rc.top, 176, 208, 1);
    // Around the rectangle the skin shows, untouched.
    for (QPoint p : {QPoint(0, 0), QPoint(rc.left - 1, rc.top), QPoint(rc.left, rc.bottom),
                     QPoint(rc.right, rc.bottom - 1), QPoint(skinPicture.width() / 2, 5)})
        EXPECT_EQ(img.pixel(p), skinPicture.pixel(p)) << p.x() << "," << p.y();

    screen->SetZoom(2);
    EXPECT_EQ(host.resizes.back(), skinPicture.size() * 2);
    EXPECT_EQ(skin->size(), skinPicture.size() * 2);
    EXPECT_EQ(screen->geometry(), QRect(2 * rc.left, 2 * rc.top, 352, 416));
    img = Grab();
    ExpectScreenAt(img, 2 * rc.left, 2 * rc.top, 176, 208, 2);
    for (QPoint p : {QPoint(3, 3), QPoint(rc.left - 1, rc.top), QPoint(rc.left, rc.bottom)})
        EXPECT_EQ(img.pixel(p * 2), skinPicture.pixel(p)) << p.x() << "," << p.y();
}

TEST_F(PictureWndTest, IdlePictureBeforeTheFirstScreenAndAfterAReset) {
    Bind();
    SRect rc;
    catalog.GetScreenRect(rc);
    const QImage idle = LoadBitmapResource(201).convertToFormat(QImage::Format_RGB32);
    auto expectIdle = [&] {
        const QImage img = Grab();
        EXPECT_EQ(img.copy(rc.left, rc.top, 176, 208), idle);
    };
    EXPECT_TRUE(screen->IsBitmapMode());
    expectIdle();

    const std::vector<std::uint8_t> bits = TestScreen(176, 208);
    Show(bits, 176, 208);
    EXPECT_FALSE(screen->IsBitmapMode());
    screen->SetBitmapMode(true); // what the view's reset does
    model.Hide();
    expectIdle();
}

TEST_F(PictureWndTest, TheSlackRowIsNeverDrawn) {
    screen->SetScreenRect(0, 0, 176, 208);
    screen->Relayout();
    const std::vector<std::uint8_t> bits = TestScreen(176, 208); // its slack row red
    Show(bits, 176, 208);
    ExpectScreenAt(Grab(), 0, 0, 176, 208, 1);
}

TEST_F(PictureWndTest, AnyWidthIsDrawnThroughItsAlignedRows) {
    screen->SetScreenRect(0, 0, 37, 20);
    screen->Relayout();
    const std::vector<std::uint8_t> bits = TestScreen(37, 20);
    Show(bits, 37, 20);
    ExpectScreenAt(Grab(), 0, 0, 37, 20, 1);
}

TEST_F(PictureWndTest, RecMarkIsOnTheWindowOnly) {
    host.recording = true;
    screen->SetScreenRect(0, 0, 176, 208);
    const std::vector<std::uint8_t> bits = TestScreen(176, 208);
    Show(bits, 176, 208);
    for (int zoom : {1, 2}) {
        SCOPED_TRACE(zoom);
        screen->SetZoom(zoom);
        const QImage img = screen->grab().toImage().convertToFormat(QImage::Format_RGB32);
        int red = 0, redOutside = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (img.pixel(x, y) == qRgb(224, 0, 0)) {
                    ++red;
                    if (x < 5 || y < 5 || x > 60 || y > 30)
                        ++redOutside;
                }
        EXPECT_GT(red, 10);
        EXPECT_EQ(redOutside, 0);
    }
    // The picture itself never holds the mark.
    EXPECT_TRUE(std::equal(bits.begin(), bits.end(), model.Picture()->Bits()));
}

TEST_F(PictureWndTest, NewScreenSizeIsStretchedIntoTheUnchangedArea) {
    screen->SetScreenRect(10, 20, 186, 228);
    screen->Relayout();
    const std::vector<std::uint8_t> first = TestScreen(176, 208);
    Show(first, 176, 208);
    const std::vector<std::uint8_t> second = TestScreen(208, 176);
    Show(second, 208, 176);
    EXPECT_EQ(screen->GetBitmapSize(), QSize(208, 176));
    EXPECT_EQ(screen->geometry(), QRect(10, 20, 176, 208));
    const QImage img = Grab();
    EXPECT_EQ(img.pixel(10, 20) & 0xFFFFFF, Expected(0, 0) & 0xFFFFFF);
    EXPECT_EQ(img.pixel(185, 227) & 0xFFFFFF, Expected(207, 175) & 0xFFFFFF);
}

TEST_F(PictureWndTest, SkinMenuListsShippedSkinsAndDisablesTheCurrentOne) {
    Bind();
    const QList<QAction*> items = menu.actions();
    ASSERT_GE(items.size(), 2);
    EXPECT_EQ(items.back()->text(), QStringLiteral("<Series60 frame>"));
    emit menu.aboutToShow();
    EXPECT_FALSE(items[0]->isEnabled());
    EXPECT_TRUE(items[1]->isEnabled());
    items.back()->trigger(); // choose the built-in skin
    EXPECT_EQ(catalog.CurrentIndex(), items.size() - 1);
    EXPECT_EQ(skin->BitmapId(), 140);
    EXPECT_EQ(skin->size(), QSize(176, 208));
    EXPECT_EQ(screen->geometry(), QRect(0, 0, 176, 208));
    emit menu.aboutToShow();
    EXPECT_TRUE(items[0]->isEnabled());
    EXPECT_FALSE(items.back()->isEnabled());
}

TEST_F(PictureWndTest, SkinBitmapGoneAtSelectionShowsTheWhiteBuiltinSkin) {
    CTempFolder dir;
    std::filesystem::create_directories(dir.Path() + "skins/S60");
    std::filesystem::copy_file(SourceResFolder() + "skins/S60/default.bmp",
                               dir.Path() + "skins/S60/default.bmp");
    std::filesystem::copy_file(SourceResFolder() + "skins/S60/default.lumetto",
                               dir.Path() + "skins/S60/default.lumetto");
    catalog.SetProgramFolder(dir.Path());
    Bind();
    ASSERT_FALSE(catalog.CurrentSkin()->IsBuiltin());
    std::filesystem::remove(dir.Path() + "skins/S60/default.bmp");
    catalog.OnSelectSkin(32783);
    EXPECT_EQ(skin->size(), QSize(176, 208));
    EXPECT_EQ(screen->geometry(), QRect(0, 0, 176, 208));
    EXPECT_EQ(host.resizes.back(), QSize(176, 208));
}

TEST_F(PictureWndTest, SkinScrolledFarBeyondItsBitmapDrawsWhite) {
    skin->Relayout();
    skin->SetScrollX(100000);
    skin->SetScrollY(-5);
    const QImage img = skin->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(img.pixel(0, 0) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(img.pixel(175, 207) & 0xFFFFFF, 0xFFFFFFu);
}

// Work area and measures of the worked examples.
const SWorkArea kWork{0, 0, 1024, 738};
const SSystemMeasures kMeasures{3, 3, 2, 2, 19, 19, 16, 16};

TEST_F(PictureWndTest, MainWindowScrollsTheScreenIntoTheMiddleAndIgnoresThumbDrags) {
    CTempFolder dir;
    QImage tall(400, 750, QImage::Format_RGB32);
    tall.fill(qRgb(90, 90, 100));
    std::filesystem::create_directories(dir.Path() + "skins/S60");
    ASSERT_TRUE(tall.save(QString::fromStdString(dir.Path() + "skins/S60/default.bmp"), "BMP"));
    dir.Write("skins/S60/default.lumetto", "Tall\n0 96 215 304 535\n");

    CFrameClient frame;
    frame.OverrideWorkArea(kWork);
    frame.OverrideMeasures(kMeasures);
    view.setParent(nullptr);
    frame.SetView(&view);
    // The fixture owns the view: take it back before the frame goes.
    struct CGiveBack {
        QWidget& w;
        ~CGiveBack() { w.setParent(nullptr); }
    } giveBack{view};
    frame.SetPictureWindows(skin, screen);
    host.frame = &frame;

    catalog.SetProgramFolder(dir.Path());
    Bind();
    screen->SetZoom(2);
    const CFrameLayout& layout = frame.Layout();
    EXPECT_TRUE(layout.HasVScroll());
    EXPECT_FALSE(layout.HasHScroll());
    EXPECT_EQ(layout.m_nMaxScrollY, 812);
    EXPECT_EQ(layout.ScrollPosY(), 406);
    EXPECT_EQ(screen->geometry().topLeft(), QPoint(192, 24));
    EXPECT_EQ(skin->ScrollY(), 406);
    EXPECT_TRUE(frame.VerticalBar()->isVisibleTo(&frame));
    EXPECT_EQ(frame.VerticalBar()->value(), 406);
    EXPECT_EQ(frame.size(), QSize(800 + 16, 688));

    // Dragging the thumb moves nothing until it is released.
    QScrollBar* bar = frame.VerticalBar();
    bar->setSliderDown(true);
    bar->setSliderPosition(100);
    EXPECT_EQ(layout.ScrollPosY(), 406);
    EXPECT_EQ(screen->geometry().top(), 24);
    bar->setSliderDown(false);
    EXPECT_EQ(layout.ScrollPosY(), 100);
    EXPECT_EQ(screen->geometry().top(), 430 - 100);

    // A line step moves by one; at zoom 2 the screen keeps an even offset.
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(layout.ScrollPosY(), 101);
    EXPECT_EQ(bar->value(), 101);
    EXPECT_EQ(screen->ScrollY(), 100);
    EXPECT_EQ(skin->ScrollY(), 101);
}

} // namespace
