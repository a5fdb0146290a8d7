// The screen layout over arbitrary sizes: a skin bitmap and its screen
// rectangle (any int a skin file holds, through the skin catalog), the zoom,
// the desktop's work area and window measures, scroll codes, and the
// presentation placement. Every
// rectangle the layout returns lies inside what it was given, and no
// arithmetic overflows (UndefinedBehaviorSanitizer).
#include "display/FrameLayout.h"
#include "display/PictureGeometry.h"
#include "display/PresentationLayout.h"
#include "display/SkinCatalog.h"
#include "fuzz/FuzzCheck.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {

// Often a plausible size, sometimes any int at all.
int Size(FuzzedDataProvider& in) {
    return in.ConsumeBool() ? in.ConsumeIntegralInRange(0, 5000) : in.ConsumeIntegral<int>();
}

bool Inside(long long l, long long t, long long r, long long b, long long L, long long T,
            long long R, long long B) {
    return L <= l && l <= r && r <= R && T <= t && t <= b && b <= B;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const int bitmapW = Size(in), bitmapH = Size(in);
    const SRect given{Size(in), Size(in), Size(in), Size(in)};

    // The skin rectangle as the catalog hands it on: within the one a skin
    // file gave, and the same when that lies within the layout's range.
    static CSkinCatalog catalog([](const std::string&) { return SSkinBitmapInfo{true, 0, 0, {}}; });
    catalog.ClearSkins();
    catalog.AddSkin("x.bmp", 0, given.left, given.top, given.right, given.bottom);
    catalog.OnSelectSkin(CSkinCatalog::kFirstCommand);
    SRect screen;
    catalog.GetScreenRect(screen);
    // (A rectangle wholly beyond the range becomes an empty one on its edge,
    // where the screen window shows nothing.)
    if (given.left <= given.right && given.top <= given.bottom &&
        given.right >= -kMaxLayoutCoordinate && given.left <= kMaxLayoutCoordinate &&
        given.bottom >= -kMaxLayoutCoordinate && given.top <= kMaxLayoutCoordinate)
        Check(Inside(screen.left, screen.top, screen.right, screen.bottom, given.left, given.top,
                     given.right, given.bottom));
    const auto inRange = [](int v) {
        return -kMaxLayoutCoordinate <= v && v <= kMaxLayoutCoordinate;
    };
    if (inRange(given.left) && inRange(given.top) && inRange(given.right) && inRange(given.bottom))
        Check(screen == given);
    // The view zooms x1 or x2; the functions take any factor up to 8.
    const int zoom =
        in.ConsumeBool() ? in.ConsumeIntegralInRange(1, 2) : in.ConsumeIntegralInRange(-1, 8);
    const SWorkArea work{Size(in), Size(in), Size(in), Size(in)};
    SSystemMeasures sm;
    for (int* m : {&sm.cxDlgFrame, &sm.cyDlgFrame, &sm.cxEdge, &sm.cyEdge, &sm.cyCaption,
                   &sm.cyMenu, &sm.cyHScroll, &sm.cxVScroll})
        *m = in.ConsumeBool() ? in.ConsumeIntegralInRange(0, 40) : in.ConsumeIntegral<int>();

    // The main window: inside the work area, with scroll ranges that reach
    // exactly the end of the content.
    const long long contentW = static_cast<long long>(std::max(zoom, 0)) * std::max(bitmapW, 0);
    const long long contentH = static_cast<long long>(std::max(zoom, 0)) * std::max(bitmapH, 0);
    const int cx = static_cast<int>(std::min<long long>(contentW, INT32_MAX));
    const int cy = static_cast<int>(std::min<long long>(contentH, INT32_MAX));
    CFrameLayout layout;
    const CFrameLayout::SPlacement p = layout.ResizeToContent(cx, cy, work, sm);
    // Inside the work area, as the layout takes it: the same as given unless
    // the window system reported a corner or size beyond any screen.
    const SWorkArea sane = SaneWorkArea(work);
    if (inRange(work.left) && inRange(work.top) && work.width >= 0 && work.height >= 0 &&
        inRange(work.width) && inRange(work.height))
        Check(sane.left == work.left && sane.top == work.top && sane.width == work.width &&
              sane.height == work.height);
    Check(p.width >= 0 && p.height >= 0);
    Check(Inside(p.x, p.y, static_cast<long long>(p.x) + p.width,
                 static_cast<long long>(p.y) + p.height, sane.left, sane.top,
                 static_cast<long long>(sane.left) + sane.width,
                 static_cast<long long>(sane.top) + sane.height));
    Check(layout.m_nMaxScrollX >= 0 && layout.m_nMaxScrollY >= 0);
    Check(layout.m_nMaxScrollX <= cx && layout.m_nMaxScrollY <= cy);

    // Centring the screen and scrolling keep the positions within the bars' ranges.
    int sx = 0, sy = 0;
    CenteredScroll(screen, zoom, layout.m_nMaxScrollX, layout.m_nMaxScrollY, layout.m_nPageX,
                   layout.m_nPageY, sx, sy);
    Check(0 <= sx && sx <= layout.m_nMaxScrollX && 0 <= sy && sy <= layout.m_nMaxScrollY);
    layout.OnHScroll(ScrollCode::ThumbPosition, sx);
    layout.OnVScroll(ScrollCode::ThumbPosition, sy);
    for (int i = 0; i < 4 && in.remaining_bytes() > 0; ++i) {
        const int code = in.ConsumeIntegralInRange(-1, 8);
        const int pos = in.ConsumeIntegral<int>();
        layout.OnHScroll(code, pos);
        layout.OnVScroll(code, pos);
        Check(0 <= layout.ScrollPosX() && layout.ScrollPosX() <= layout.m_nMaxScrollX);
        Check(0 <= layout.ScrollPosY() && layout.ScrollPosY() <= layout.m_nMaxScrollY);
    }
    sx = EvenScrollOffset(layout.ScrollPosX(), zoom);
    sy = EvenScrollOffset(layout.ScrollPosY(), zoom);
    Check(0 <= sx && sx <= layout.ScrollPosX() && 0 <= sy && sy <= layout.ScrollPosY());

    // The skin window draws only from its bitmap and only into itself.
    const SSkinBlit blit = SkinBlit(bitmapW, bitmapH, cx, cy, sx, sy, zoom);
    if (!blit.IsEmpty()) {
        Check(Inside(blit.src.left, blit.src.top, blit.src.right, blit.src.bottom, 0, 0, bitmapW,
                     bitmapH));
        Check(Inside(blit.dst.left, blit.dst.top, blit.dst.right, blit.dst.bottom, 0, 0, cx, cy));
    }

    // The screen window: a rectangle inside the bitmap is placed inside the
    // zoomed skin, moved by the scroll offsets.
    const SRect placed = PlaceScreenWindow(screen, zoom, sx, sy);
    if (zoom >= 1 && contentW <= kMaxLayoutCoordinate && contentH <= kMaxLayoutCoordinate &&
        Inside(screen.left, screen.top, screen.right, screen.bottom, 0, 0, bitmapW, bitmapH)) {
        Check(Inside(placed.left, placed.top, placed.right, placed.bottom, -sx, -sy,
                     static_cast<long long>(cx) - sx, static_cast<long long>(cy) - sy));
    }
    (void)placed.Width();
    (void)placed.Height();

    // Presentation: inside the screen, or (nearest-neighbour at x1 with
    // content larger than the screen) centred over it.
    const int screenW = Size(in), screenH = Size(in);
    const bool fill = in.ConsumeBool();
    const SPresentationPlacement pp = PlacePresentation(screenW, screenH, bitmapW, bitmapH, fill);
    const long long sw = std::max(screenW, 0), sh = std::max(screenH, 0);
    Check(pp.cx >= 0 && pp.cy >= 0);
    Check(fill ? pp.nScale == 0 : pp.nScale >= 1);
    const long long right = static_cast<long long>(pp.x) + pp.cx;
    const long long bottom = static_cast<long long>(pp.y) + pp.cy;
    if (fill || (pp.cx <= sw && pp.cy <= sh)) {
        Check(Inside(pp.x, pp.y, right, bottom, 0, 0, sw, sh));
    } else {
        Check(pp.nScale == 1);
        Check(pp.cx <= sw ? pp.x >= 0 && right <= sw : pp.x <= 0 && right >= sw);
        Check(pp.cy <= sh ? pp.y >= 0 && bottom <= sh : pp.y <= 0 && bottom >= sh);
    }
    if (!fill && bitmapW > 0 && bitmapH > 0) {
        Check(static_cast<long long>(pp.nScale) * bitmapW == pp.cx);
        Check(static_cast<long long>(pp.nScale) * bitmapH == pp.cy);
    }
    return 0;
}
