#include "app/WindowPlacement.h"

#include <algorithm>

namespace {

long long Overlap(long long a0, long long a1, long long b0, long long b1) {
    return std::max(0LL, std::min(a1, b1) - std::max(a0, b0));
}

// How far a point lies outside a rectangle (0 inside), squared; in floating
// point, as the square of a distance across the whole int range.
double DistanceSquared(long long px, long long py, const SWorkArea& s) {
    const long long dx = std::max({static_cast<long long>(s.left) - px, 0LL,
                                   px - (static_cast<long long>(s.left) + s.width)});
    const long long dy = std::max(
        {static_cast<long long>(s.top) - py, 0LL, py - (static_cast<long long>(s.top) + s.height)});
    return static_cast<double>(dx) * static_cast<double>(dx) +
           static_cast<double>(dy) * static_cast<double>(dy);
}

} // namespace

std::pair<int, int> KeepInsideScreens(int x, int y, int w, int h,
                                      const std::vector<SWorkArea>& screens) {
    if (screens.empty())
        return {x, y};
    // A remembered corner may be anything a settings file holds: every sum
    // below is taken in 64 bits, and the result is one of the screens' own
    // coordinates whenever the window is moved.
    w = std::max(w, 0);
    h = std::max(h, 0);
    const SWorkArea* pBest = nullptr;
    long long bestArea = 0, shown = 0;
    for (const SWorkArea& s : screens) {
        const long long area = Overlap(x, static_cast<long long>(x) + w, s.left,
                                       static_cast<long long>(s.left) + s.width) *
                               Overlap(y, static_cast<long long>(y) + h, s.top,
                                       static_cast<long long>(s.top) + s.height);
        shown += area;
        if (area > bestArea) {
            bestArea = area;
            pBest = &s;
        }
    }
    // Wholly shown, if across screens: where it was.
    if (shown >= static_cast<long long>(w) * h)
        return {x, y};
    if (!pBest) {
        const long long cx = x + static_cast<long long>(w) / 2;
        const long long cy = y + static_cast<long long>(h) / 2;
        pBest = &*std::min_element(
            screens.begin(), screens.end(), [&](const SWorkArea& a, const SWorkArea& b) {
                return DistanceSquared(cx, cy, a) < DistanceSquared(cx, cy, b);
            });
    }
    const SWorkArea& s = *pBest;
    // Right and bottom edges first, so a window larger than the screen keeps
    // its top-left corner (caption and menu) on it.
    const long long nx =
        std::max(std::min<long long>(x, static_cast<long long>(s.left) + s.width - w),
                 static_cast<long long>(s.left));
    const long long ny =
        std::max(std::min<long long>(y, static_cast<long long>(s.top) + s.height - h),
                 static_cast<long long>(s.top));
    return {static_cast<int>(nx), static_cast<int>(ny)};
}
