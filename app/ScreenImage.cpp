#include "app/ScreenImage.h"

#include "codec/ScreenDib.h"
#include "codec/ScreenRgb32.h"

#include <algorithm>

QImage ScreenImage(const CScreenDib& dib) {
    QImage img(dib.Width(), dib.Height(), QImage::Format_RGB32);
    CopyScreenRows(dib, img, 0, dib.Height());
    return img;
}

void CopyScreenRows(const CScreenDib& dib, QImage& img, int nFirst, int nEnd) {
    if (img.width() != dib.Width() || img.format() != QImage::Format_RGB32)
        return;
    lumetto::ScreenRowsToRgb32(dib, nFirst, std::min(nEnd, img.height()), img.bits(),
                               static_cast<std::size_t>(img.bytesPerLine()));
}
