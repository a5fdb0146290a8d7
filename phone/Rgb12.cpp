#include "phone/Rgb12.h"

#include <QImage>

namespace {

constexpr unsigned Nearest4(unsigned c8) {
    return (c8 * 15 + 127) / 255;
}

} // namespace

void ToRgb12(const QImage& image, std::vector<std::uint16_t>& pic) {
    const QImage rgb = image.format() == QImage::Format_RGB32
                           ? image
                           : image.convertToFormat(QImage::Format_RGB32);
    const int w = rgb.width(), h = rgb.height();
    pic.resize(std::size_t(w) * std::size_t(h));
    std::uint16_t* out = pic.data();
    for (int y = 0; y < h; ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < w; ++x)
            *out++ = std::uint16_t((Nearest4(qRed(line[x])) << 8) |
                                   (Nearest4(qGreen(line[x])) << 4) | Nearest4(qBlue(line[x])));
    }
}
