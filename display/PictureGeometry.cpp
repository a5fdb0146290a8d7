#include "display/PictureGeometry.h"

#include <algorithm>
#include <climits>

int EvenScrollOffset(int nOffset, int nZoom) {
    if (nZoom > 1 && nOffset > 0)
        return nOffset - nOffset % nZoom;
    return nOffset;
}

namespace {

int ClampToInt(long long v) {
    return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
}

} // namespace

SRect PlaceScreenWindow(const SRect& rcScreen, int nZoom, int nScrollX, int nScrollY) {
    // Wide arithmetic: a rectangle from a skin file and any zoom never overflow.
    const long long z = nZoom;
    SRect rc;
    rc.left = ClampToInt(z * rcScreen.left - nScrollX);
    rc.top = ClampToInt(z * rcScreen.top - nScrollY);
    rc.right = ClampToInt(z * rcScreen.right - nScrollX);
    rc.bottom = ClampToInt(z * rcScreen.bottom - nScrollY);
    return rc;
}

SRect ScaleScreenRect(const SRect& rcScreen, int nSkinW, int nSkinH, int cx, int cy) {
    if (nSkinW <= 0 || nSkinH <= 0)
        return {};
    const auto scale = [](int v, int from, int to) {
        const long long n = static_cast<long long>(v) * to;
        // Rounded down also below 0, so both edges of a rectangle move alike.
        const long long q = n >= 0 ? n / from : -((-n + from - 1) / from);
        return static_cast<int>(std::clamp<long long>(q, INT_MIN / 2, INT_MAX / 2));
    };
    return {scale(rcScreen.left, nSkinW, cx), scale(rcScreen.top, nSkinH, cy),
            scale(rcScreen.right, nSkinW, cx), scale(rcScreen.bottom, nSkinH, cy)};
}

void CenteredScroll(const SRect& rcScreen, int nZoom, int nMaxX, int nMaxY, int nPageX, int nPageY,
                    int& x, int& y) {
    // Integer division truncates toward zero, as the centring is defined.
    const long long z = nZoom;
    const long long cx = z * rcScreen.left - (nPageX - z * rcScreen.Width()) / 2;
    const long long cy = z * rcScreen.top - (nPageY - z * rcScreen.Height()) / 2;
    x = static_cast<int>(std::clamp<long long>(cx, 0, std::max(nMaxX, 0)));
    y = static_cast<int>(std::clamp<long long>(cy, 0, std::max(nMaxY, 0)));
}

SSkinBlit SkinBlit(int nBitmapW, int nBitmapH, int nWinW, int nWinH, int nScrollX, int nScrollY,
                   int nZoom) {
    SSkinBlit blit;
    if (nBitmapW <= 0 || nBitmapH <= 0 || nWinW <= 0 || nWinH <= 0 || nZoom <= 0)
        return blit;
    // The source origin in whole skin pixels, kept inside the bitmap: a scroll
    // offset never makes the skin read beyond its picture.
    const int sx = std::clamp(std::max(nScrollX, 0) / nZoom, 0, nBitmapW);
    const int sy = std::clamp(std::max(nScrollY, 0) / nZoom, 0, nBitmapH);
    blit.src = {sx, sy, nBitmapW, nBitmapH};
    // The whole bitmap maps onto the whole window; the visible part keeps that scale.
    const long long dw = static_cast<long long>(nBitmapW - sx) * nWinW / nBitmapW;
    const long long dh = static_cast<long long>(nBitmapH - sy) * nWinH / nBitmapH;
    blit.dst = {0, 0, static_cast<int>(dw), static_cast<int>(dh)};
    return blit;
}
