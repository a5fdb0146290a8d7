// lumetto-makeicons: draws the application icon (the same picture as the
// program's built-in icon) as PNG files for the desktop's icon theme.
//
//   lumetto-makeicons <folder> <size>...
// writes <folder>/<size>/lumetto.png for each size.
#include "res/gen/Pictures.h"

#include <QDir>
#include <QImage>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// The icon drawn four times larger, its rounded corners cut out, then scaled
// down smoothly so that its edges are soft at every size.
QImage RenderIcon(int size) {
    const int big = size * 4;
    const CCanvas icon = DrawAppIcon(big);
    CCanvas mask(big, big, SColour{0, 0, 0});
    mask.FillRoundRect(0, 0, big, big, big / 6, SColour{255, 255, 255});
    QImage image(big, big, QImage::Format_ARGB32);
    for (int y = 0; y < big; ++y) {
        for (int x = 0; x < big; ++x) {
            const SColour c = icon.At(x, y);
            const int alpha = mask.At(x, y).r;
            image.setPixel(x, y, qRgba(c.r, c.g, c.b, alpha));
        }
    }
    return image.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: lumetto-makeicons <folder> <size>...\n");
        return 2;
    }
    for (int i = 2; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        if (size < 8 || size > 1024) {
            std::fprintf(stderr, "lumetto-makeicons: size %s is not between 8 and 1024\n", argv[i]);
            return 2;
        }
        const QString folder = QString::fromLocal8Bit(argv[1]) + "/" + QString::number(size);
        const QString file = folder + "/lumetto.png";
        if (!QDir().mkpath(folder) || !RenderIcon(size).save(file, "PNG")) {
            std::fprintf(stderr, "lumetto-makeicons: cannot write %s\n",
                         file.toLocal8Bit().constData());
            return 1;
        }
    }
    return 0;
}
