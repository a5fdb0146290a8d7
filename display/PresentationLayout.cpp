#include "display/PresentationLayout.h"

#include <algorithm>

SPresentationPlacement PlacePresentation(int nScreenW, int nScreenH, int nContentW, int nContentH,
                                         bool bFill) {
    const long long sw = std::max(nScreenW, 0), sh = std::max(nScreenH, 0);
    const long long cw = std::max(nContentW, 0), ch = std::max(nContentH, 0);
    SPresentationPlacement p;
    p.nScale = bFill ? 0 : 1;
    if (cw == 0 || ch == 0) {
        p.x = static_cast<int>(sw / 2);
        p.y = static_cast<int>(sh / 2);
        return p;
    }
    long long w = cw, h = ch;
    if (bFill) {
        if (sw == 0 || sh == 0)
            return p;
        // The side that limits the scale takes the screen's size; the other
        // keeps the aspect ratio, rounded to the nearest pixel (which never
        // passes the screen) and at least 1.
        if (sw * ch <= sh * cw) {
            w = sw;
            h = std::clamp((ch * sw + cw / 2) / cw, 1LL, sh);
        } else {
            h = sh;
            w = std::clamp((cw * sh + ch / 2) / ch, 1LL, sw);
        }
    } else {
        const long long k = std::max(1LL, std::min(sw / cw, sh / ch));
        p.nScale = static_cast<int>(k);
        w = k * cw;
        h = k * ch;
    }
    // Centred; content wider than the screen starts left of it (halves
    // rounded toward zero, so the cut is even within a pixel).
    p.x = static_cast<int>((sw - w) / 2);
    p.y = static_cast<int>((sh - h) / 2);
    p.cx = static_cast<int>(w);
    p.cy = static_cast<int>(h);
    return p;
}
