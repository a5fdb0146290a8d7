#include "display/FrameLayout.h"
#include "display/PictureGeometry.h"

#include <gtest/gtest.h>

namespace {

// Work area (0, 0)-(1024, 738); dialog frame 3, edge 2, caption 19, menu 19,
// scroll bars 16: borders 10 x 48 before scroll bars, largest window 1022 x 736.
const SWorkArea kWork{0, 0, 1024, 738};
const SSystemMeasures kMeasures{3, 3, 2, 2, 19, 19, 16, 16};

TEST(FrameLayout, BuiltinS60SkinFitsWithoutScrollBars) {
    CFrameLayout layout;
    const auto p = layout.ResizeToContent(176, 208, kWork, kMeasures);
    EXPECT_EQ(p.width, 186);
    EXPECT_EQ(p.height, 256);
    EXPECT_EQ(p.x, 419);
    EXPECT_EQ(p.y, 241);
    EXPECT_FALSE(layout.HasHScroll());
    EXPECT_FALSE(layout.HasVScroll());
    EXPECT_EQ(layout.m_nMaxScrollX, 0);
    EXPECT_EQ(layout.m_nMaxScrollY, 0);
}

TEST(FrameLayout, TallZoomedSkinScrollsVerticallyAndCentresTheScreen) {
    CFrameLayout layout;
    const auto p = layout.ResizeToContent(800, 1500, kWork, kMeasures);
    EXPECT_EQ(p.width, 826);
    EXPECT_EQ(p.height, 736);
    EXPECT_EQ(p.x, 99);
    EXPECT_EQ(p.y, 1);
    EXPECT_TRUE(layout.HasVScroll());
    EXPECT_FALSE(layout.HasHScroll());
    EXPECT_EQ(layout.m_nPageY, 688);
    EXPECT_EQ(layout.m_nMaxScrollY, 812);

    const SRect screen{96, 215, 304, 535};
    int x = -1, y = -1;
    CenteredScroll(screen, 2, layout.m_nMaxScrollX, layout.m_nMaxScrollY, layout.m_nPageX,
                   layout.m_nPageY, x, y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 406);
    EXPECT_EQ(PlaceScreenWindow(screen, 2, 0, EvenScrollOffset(y, 2)).top, 24);
}

TEST(FrameLayout, ContentWiderAndTallerThanTheWorkAreaShowsBothBars) {
    CFrameLayout layout;
    const auto p = layout.ResizeToContent(1400, 1200, kWork, kMeasures);
    EXPECT_EQ(p.width, 1022);
    EXPECT_EQ(p.height, 736);
    EXPECT_TRUE(layout.HasHScroll());
    EXPECT_TRUE(layout.HasVScroll());
    EXPECT_EQ(layout.m_nPageX, 1022 - 26);
    EXPECT_EQ(layout.m_nPageY, 736 - 64);
    EXPECT_EQ(layout.m_nMaxScrollX, 1400 - 996);
    EXPECT_EQ(layout.m_nMaxScrollY, 1200 - 672);
}

TEST(FrameLayout, VerticalBarCanMakeTheHorizontalOneNecessary) {
    CFrameLayout layout;
    // 1005 + 10 fits in 1022, but not once the vertical bar's 16 are added.
    layout.ComputeFrameSize(1005, 1000, kWork, kMeasures);
    EXPECT_TRUE(layout.HasVScroll());
    EXPECT_TRUE(layout.HasHScroll());
    EXPECT_EQ(layout.m_nPageY, 736 - 64);
}

TEST(FrameLayout, WideContentOnlyScrollsHorizontally) {
    CFrameLayout layout;
    const auto p = layout.ResizeToContent(1500, 300, kWork, kMeasures);
    EXPECT_TRUE(layout.HasHScroll());
    EXPECT_FALSE(layout.HasVScroll());
    EXPECT_EQ(p.width, 1022);
    EXPECT_EQ(p.height, 300 + 64);
    EXPECT_EQ(layout.m_nPageX, 1012);
}

TEST(FrameLayout, WorkAreaOriginIsRespected) {
    CFrameLayout layout;
    const auto p = layout.ResizeToContent(176, 208, SWorkArea{100, 30, 1024, 738}, kMeasures);
    EXPECT_EQ(p.x, 519);
    EXPECT_EQ(p.y, 271);
}

TEST(FrameLayout, ScrollCodes) {
    CFrameLayout layout;
    layout.ComputeFrameSize(800, 1500, kWork, kMeasures); // page 688, max 812
    struct Step {
        int code, pos;
        std::optional<int> expected;
    };
    const Step steps[] = {
        {ScrollCode::LineUp, 0, std::nullopt}, // already at 0
        {ScrollCode::LineDown, 0, 1},
        {ScrollCode::PageDown, 0, 689},
        {ScrollCode::PageDown, 0, 812}, // held at the maximum
        {ScrollCode::LineDown, 0, std::nullopt},
        {ScrollCode::ThumbTrack, 100, std::nullopt}, // dragging moves nothing
        {ScrollCode::ThumbPosition, 100, 100},
        {ScrollCode::PageUp, 0, 0},
        {ScrollCode::Bottom, 0, 812},
        {ScrollCode::Top, 0, 0},
        {99, 50, std::nullopt},
        {ScrollCode::ThumbPosition, 5000, 812},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(testing::Message() << "code " << s.code << " pos " << s.pos);
        EXPECT_EQ(layout.OnVScroll(s.code, s.pos), s.expected);
    }
    // No horizontal bar: nothing moves horizontally.
    EXPECT_EQ(layout.OnHScroll(ScrollCode::LineRight, 0), std::nullopt);
    EXPECT_EQ(layout.OnHScroll(ScrollCode::ThumbPosition, 30), std::nullopt);
}

TEST(PictureGeometry, ScreenOffsetIsEvenAtZoomTwoAndSkinMovesByWholePixels) {
    EXPECT_EQ(EvenScrollOffset(7, 2), 6);
    EXPECT_EQ(EvenScrollOffset(6, 2), 6);
    EXPECT_EQ(EvenScrollOffset(7, 1), 7);
    EXPECT_EQ(PlaceScreenWindow({10, 20, 186, 228}, 2, 6, 0), (SRect{14, 40, 14 + 352, 40 + 416}));
    const SSkinBlit blit = SkinBlit(200, 300, 400, 600, 7, 0, 2);
    EXPECT_EQ(blit.src, (SRect{3, 0, 200, 300}));
    EXPECT_EQ(blit.dst, (SRect{0, 0, 394, 600}));
}

TEST(PictureGeometry, SkinNeverDrawsFromBeyondItsBitmap) {
    struct Case {
        int scrollX, scrollY, zoom;
        SRect src;
    };
    const Case cases[] = {
        {0, 0, 1, {0, 0, 100, 50}},
        {5000, 0, 1, {100, 0, 100, 50}}, // nothing left to draw
        {-30, -30, 2, {0, 0, 100, 50}},
        {150, 99, 2, {75, 49, 100, 50}},
    };
    for (const Case& c : cases) {
        const SSkinBlit b =
            SkinBlit(100, 50, 100 * c.zoom, 50 * c.zoom, c.scrollX, c.scrollY, c.zoom);
        EXPECT_EQ(b.src, c.src);
        EXPECT_GE(b.src.left, 0);
        EXPECT_LE(b.src.right, 100);
        EXPECT_LE(b.dst.right, 100 * c.zoom);
    }
    EXPECT_TRUE(SkinBlit(100, 50, 100, 50, 5000, 0, 1).IsEmpty());
    EXPECT_TRUE(SkinBlit(0, 0, 100, 50, 0, 0, 1).IsEmpty());
}

TEST(PictureGeometry, CentringIsClampedToTheScrollRange) {
    int x = 0, y = 0;
    CenteredScroll({0, 0, 176, 208}, 1, 0, 0, 186, 256, x, y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    CenteredScroll({900, 900, 1000, 1000}, 1, 50, 60, 100, 100, x, y);
    EXPECT_EQ(x, 50);
    EXPECT_EQ(y, 60);
}

} // namespace
