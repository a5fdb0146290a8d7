// The arithmetic of placing and scrolling the two picture windows, free of
// any widget so that it can be tested alone.
#pragma once

#include <algorithm>
#include <climits>

// The coordinates the layout works with stay within +-kMaxLayoutCoordinate:
// far beyond any screen, widget or skin bitmap, yet twice such a coordinate
// (zoom 2) and the difference of two stay well within an int. Skin files may
// hold any int; the skin catalog clamps their rectangles to this range.
constexpr int kMaxLayoutCoordinate = 1 << 24;

// A value clamped to +-kMaxLayoutCoordinate.
inline int ClampLayoutCoordinate(long long v) {
    return static_cast<int>(std::clamp<long long>(v, -kMaxLayoutCoordinate, kMaxLayoutCoordinate));
}

struct SRect {
    int left = 0;
    int top = 0;
    int right = 0;  // exclusive
    int bottom = 0; // exclusive
    // Computed wide: a rectangle from any ints has a size, clamped to an int.
    int Width() const { return Span(left, right); }
    int Height() const { return Span(top, bottom); }
    bool operator==(const SRect&) const = default;

private:
    static int Span(int a, int b) {
        return static_cast<int>(
            std::clamp<long long>(static_cast<long long>(b) - a, INT_MIN, INT_MAX));
    }
};

// The screen window's scroll offset: at zoom k an offset is lowered to a
// multiple of k, so the screen moves by whole skin pixels like the skin's
// shifted drawing.
int EvenScrollOffset(int nOffset, int nZoom);

// Where the screen window lies in the view: the skin's screen rectangle at the
// zoom, moved by the scroll offsets (each edge clamped to an int).
SRect PlaceScreenWindow(const SRect& rcScreen, int nZoom, int nScrollX, int nScrollY);

// Offsets that centre the zoomed screen rectangle in a page of pageX x pageY,
// each kept within 0 ... max.
void CenteredScroll(const SRect& rcScreen, int nZoom, int nMaxX, int nMaxY, int nPageX, int nPageY,
                    int& x, int& y);

// Where the screen window lies when the skin bitmap of W x H is drawn at any
// size cx x cy from the view's origin (presentation): the screen rectangle in
// the same proportion, edges rounded down. Exact for whole factors.
SRect ScaleScreenRect(const SRect& rcScreen, int nSkinW, int nSkinH, int cx, int cy);

// The part of a skin bitmap of W x H that the skin window draws when it is
// scrolled by (scrollX, scrollY) window pixels, and where it goes in a window of
// winW x winH. The source starts at (scrollX / zoom, scrollY / zoom) skin
// pixels and never reaches beyond the bitmap; the rest of the window is left to
// the background. Empty when nothing of the bitmap is visible.
struct SSkinBlit {
    SRect src; // in bitmap pixels
    SRect dst; // in window pixels
    bool IsEmpty() const { return src.Width() <= 0 || src.Height() <= 0; }
};
SSkinBlit SkinBlit(int nBitmapW, int nBitmapH, int nWinW, int nWinH, int nScrollX, int nScrollY,
                   int nZoom);
