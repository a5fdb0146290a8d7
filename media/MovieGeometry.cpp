#include "media/MovieGeometry.h"

#include <algorithm>
#include <cmath>

namespace lumetto {

namespace {

constexpr int kWantedHeight = 720;

bool Fits(long long nWidth, long long nHeight) {
    const long long w = (nWidth + 1) & ~1LL, h = (nHeight + 1) & ~1LL;
    return w <= kMovieMaxSide && h <= kMovieMaxSide && w * h <= kMovieMaxPixels;
}

// nWidth x nHeight shrunk into nMaxWidth x nMaxHeight, its shape kept, each
// side at least 1.
void ShrinkInto(int nWidth, int nHeight, int nMaxWidth, int nMaxHeight, int& nOutWidth,
                int& nOutHeight) {
    if (static_cast<long long>(nWidth) * nMaxHeight >=
        static_cast<long long>(nHeight) * nMaxWidth) {
        nOutWidth = nMaxWidth;
        nOutHeight = static_cast<int>(static_cast<long long>(nHeight) * nMaxWidth / nWidth);
    } else {
        nOutHeight = nMaxHeight;
        nOutWidth = static_cast<int>(static_cast<long long>(nWidth) * nMaxHeight / nHeight);
    }
    nOutWidth = std::clamp(nOutWidth, 1, nMaxWidth);
    nOutHeight = std::clamp(nOutHeight, 1, nMaxHeight);
}

} // namespace

int Mp4ScaleForHeight(int nScreenHeight) {
    if (nScreenHeight <= 0)
        return 1;
    const int nScale = (kWantedHeight + nScreenHeight - 1) / nScreenHeight;
    return std::clamp(nScale, 1, kMp4MaxScale);
}

MovieSize MovieSizeFor(int nWidth, int nHeight, int nScale) {
    nWidth = std::max(1, nWidth);
    nHeight = std::max(1, nHeight);
    int s = nScale > 0 ? std::min(nScale, kMp4MaxScale) : Mp4ScaleForHeight(nHeight);
    while (s > 1 && !Fits(static_cast<long long>(nWidth) * s, static_cast<long long>(nHeight) * s))
        --s;
    MovieSize size;
    if (Fits(nWidth, nHeight)) {
        size.nScale = s;
        size.nWidth = (nWidth * s + 1) & ~1;
        size.nHeight = (nHeight * s + 1) & ~1;
        return size;
    }
    // Too large even as it is: the largest size of its shape within the limits.
    const double dArea =
        std::sqrt(static_cast<double>(kMovieMaxPixels) / (static_cast<double>(nWidth) * nHeight));
    const int nMaxWidth = std::min(kMovieMaxSide, static_cast<int>(nWidth * std::min(1.0, dArea)));
    const int nMaxHeight =
        std::min(kMovieMaxSide, static_cast<int>(nHeight * std::min(1.0, dArea)));
    ShrinkInto(nWidth, nHeight, std::max(2, nMaxWidth), std::max(2, nMaxHeight), size.nWidth,
               size.nHeight);
    size.nWidth = std::max(2, size.nWidth & ~1);
    size.nHeight = std::max(2, size.nHeight & ~1);
    return size;
}

Placement PlaceInMovie(int nWidth, int nHeight, int nMovieWidth, int nMovieHeight) {
    Placement p;
    nWidth = std::max(1, nWidth);
    nHeight = std::max(1, nHeight);
    p.nScale = std::min(nMovieWidth / nWidth, nMovieHeight / nHeight);
    if (p.nScale >= 1) {
        p.nWidth = nWidth * p.nScale;
        p.nHeight = nHeight * p.nScale;
    } else {
        p.nScale = 0;
        ShrinkInto(nWidth, nHeight, nMovieWidth, nMovieHeight, p.nWidth, p.nHeight);
    }
    p.x = (nMovieWidth - p.nWidth) / 2;
    p.y = (nMovieHeight - p.nHeight) / 2;
    return p;
}

} // namespace lumetto
