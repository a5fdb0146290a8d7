#include "app/ScreenImage.h"

#include "display/ScreenDib.h"

#include <algorithm>
#include <cstdint>

QImage ScreenImage(const CScreenDib& dib) {
    QImage img(dib.Width(), dib.Height(), QImage::Format_RGB32);
    CopyScreenRows(dib, img, 0, dib.Height());
    return img;
}

void CopyScreenRows(const CScreenDib& dib, QImage& img, int nFirst, int nEnd) {
    const int w = std::min(dib.Width(), img.width());
    nFirst = std::max(nFirst, 0);
    nEnd = std::min({nEnd, dib.Height(), img.height()});
    for (int y = nFirst; y < nEnd; ++y) {
        // Picture row y is held at row height - 1 - y.
        const std::uint8_t* s =
            dib.Bits() + dib.Stride() * static_cast<std::size_t>(dib.Height() - 1 - y);
        auto* d = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < w; ++x, s += 3)
            d[x] = qRgb(s[2], s[1], s[0]);
    }
}
