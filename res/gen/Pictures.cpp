#include "Pictures.h"

namespace {

const SColour kWhite{255, 255, 255};

// A phone shown as a small pictogram: body, screen and a few keys.
void DrawPhonePictogram(CCanvas& c, int x, int y, int w, int h, SColour body, SColour screen) {
    c.FillRoundRect(x, y, x + w, y + h, w / 5, body);
    const int m = w / 7;
    c.FillRect(x + m, y + h / 6, x + w - m, y + h / 2 + h / 12, screen);
    for (int r = 0; r < 3; ++r)
        for (int k = 0; k < 3; ++k) {
            const int kx = x + m + k * (w - 2 * m) / 3 + 1;
            const int ky = y + h * 2 / 3 + r * (h / 10);
            c.FillRect(kx, ky, kx + (w - 2 * m) / 3 - 2, ky + h / 14, screen);
        }
}

// A computer screen pictogram.
void DrawMonitorPictogram(CCanvas& c, int x, int y, int w, int h, SColour body, SColour screen) {
    c.FillRoundRect(x, y, x + w, y + h * 3 / 4, 3, body);
    c.FillRect(x + 3, y + 3, x + w - 3, y + h * 3 / 4 - 3, screen);
    c.FillRect(x + w / 2 - 3, y + h * 3 / 4, x + w / 2 + 3, y + h - 3, body);
    c.FillRect(x + w / 4, y + h - 3, x + w * 3 / 4, y + h, body);
}

} // namespace

CCanvas DrawWhiteFrame(int w, int h) {
    return CCanvas(w, h, kWhite);
}

CCanvas DrawIdleScreen(int w, int h) {
    const SColour barTop{28, 64, 132}, barBottom{12, 36, 92};
    const SColour bgTop{236, 242, 250}, bgBottom{196, 212, 236};
    const SColour ink{20, 30, 60}, soft{70, 84, 116}, accent{230, 120, 20};

    CCanvas c(w, h, bgTop);
    // Background shading and the title bar.
    c.GradientRoundRect(0, 0, w, h, 0, bgTop, bgBottom, 24);
    c.GradientRoundRect(0, 0, w, 18, 0, barTop, barBottom, 6);
    c.Text(5, 6, "Lumetto", kWhite);
    // Signal bars at the right of the title bar.
    for (int i = 0; i < 4; ++i)
        c.FillRect(w - 24 + i * 5, 13 - 2 * i - 2, w - 21 + i * 5, 14, kWhite);

    // Computer and phone with a dotted link between them.
    const int midY = h > 250 ? h / 2 - 40 : 56;
    DrawMonitorPictogram(c, w / 2 - 64, midY - 20, 44, 40, soft, SColour{150, 190, 240});
    DrawPhonePictogram(c, w / 2 + 30, midY - 26, 26, 50, soft, SColour{150, 190, 240});
    for (int x = w / 2 - 14; x < w / 2 + 24; x += 6)
        c.FillRect(x, midY - 2, x + 3, midY + 1, accent);

    // The message. The band under it, from midY + 78 to the bottom bar, is
    // left free: the program writes there what it is doing (no connection,
    // connected, reconnecting, waiting for the port) and what to do.
    const int y = midY + 36;
    c.TextCentred(w / 2, y, "Waiting for", ink, 2);
    c.TextCentred(w / 2, y + 18, "the phone...", ink, 2);
    // A thin bar at the bottom, like a phone's soft-key area.
    c.GradientRoundRect(0, h - 14, w, h, 0, barBottom, barTop, 4);
    return c;
}

CCanvas DrawAppIcon(int size) {
    CCanvas c(size, size, SColour{28, 64, 132});
    c.GradientRoundRect(0, 0, size, size, size / 6, SColour{56, 110, 200}, SColour{16, 44, 110}, 8);
    const int w = size * 9 / 20, h = size * 4 / 5;
    const int x = (size - w) / 2, y = (size - h) / 2;
    c.FillRoundRect(x, y, x + w, y + h, w / 4, SColour{230, 234, 242});
    c.FillRect(x + w / 6, y + h / 8, x + w - w / 6, y + h / 2, SColour{255, 170, 40});
    c.FillRect(x + w / 6 + 2, y + h / 8 + 2, x + w - w / 6 - 2, y + h / 8 + 4, kWhite);
    for (int r = 0; r < 3; ++r)
        for (int k = 0; k < 3; ++k) {
            const int kx = x + w / 6 + k * (w - w / 3) / 3;
            const int ky = y + h * 3 / 5 + r * h / 10;
            c.FillRect(kx, ky, kx + (w - w / 3) / 3 - 1, ky + h / 14, SColour{90, 100, 120});
        }
    return c;
}

SPhoneSkin DrawS60Phone(bool light) {
    const int W = 232, H = 472;
    const int sx = 28, sy = 62; // screen's top left
    const SColour bodyTop = light ? SColour{222, 226, 232} : SColour{92, 98, 110};
    const SColour bodyBottom = light ? SColour{168, 174, 186} : SColour{44, 48, 56};
    const SColour edge = light ? SColour{120, 126, 138} : SColour{24, 26, 30};
    const SColour key = light ? SColour{246, 247, 250} : SColour{170, 176, 188};
    const SColour keyText = SColour{30, 34, 44};
    const SColour bezel{16, 18, 22};

    SPhoneSkin s{CCanvas(W, H, kWhite), sx, sy, sx + 176, sy + 208};
    CCanvas& c = s.picture;
    c.FillRoundRect(6, 6, W - 6, H - 6, 34, edge);
    c.GradientRoundRect(9, 9, W - 9, H - 9, 31, bodyTop, bodyBottom, 32);
    // Earpiece and maker's mark.
    c.FillRoundRect(W / 2 - 22, 22, W / 2 + 22, 28, 3, bezel);
    c.TextCentred(W / 2, 36, "LUMETTO", light ? SColour{70, 76, 90} : SColour{210, 214, 222});
    // Screen bezel.
    c.FillRoundRect(sx - 8, sy - 8, sx + 176 + 8, sy + 208 + 8, 6, bezel);
    c.FillRect(sx, sy, sx + 176, sy + 208, kWhite);

    // Soft keys, call keys and the navigation key.
    const int ny = sy + 208 + 20;
    c.FillRoundRect(20, ny, 70, ny + 14, 6, key);
    c.FillRoundRect(W - 70, ny, W - 20, ny + 14, 6, key);
    c.FillRoundRect(20, ny + 24, 64, ny + 40, 7, SColour{60, 170, 80});
    c.FillRoundRect(W - 64, ny + 24, W - 20, ny + 40, 7, SColour{210, 60, 50});
    c.FillEllipse(W / 2, ny + 20, 26, 22, edge);
    c.FillEllipse(W / 2, ny + 20, 24, 20, key);
    c.FillEllipse(W / 2, ny + 20, 10, 8, light ? SColour{200, 204, 212} : SColour{120, 126, 138});

    // Keypad.
    const char* labels[] = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "*", "0", "#"};
    const int ky0 = ny + 52, kw = 52, kh = 22, gap = 10;
    const int kx0 = (W - (3 * kw + 2 * gap)) / 2;
    for (int i = 0; i < 12; ++i) {
        const int kx = kx0 + (i % 3) * (kw + gap), ky = ky0 + (i / 3) * (kh + 8);
        c.FillRoundRect(kx, ky, kx + kw, ky + kh, 9, edge);
        c.FillRoundRect(kx + 1, ky + 1, kx + kw - 1, ky + kh - 1, 8, key);
        c.TextCentred(kx + kw / 2, ky + 4, labels[i], keyText, 2);
    }
    return s;
}

SPhoneSkin DrawUIQPhone() {
    const int W = 272, H = 474;
    const int sx = 32, sy = 58;
    const SColour edge{34, 40, 52}, bodyTop{196, 204, 218}, bodyBottom{120, 130, 150};
    const SColour bezel{16, 18, 22}, key{232, 236, 244}, mark{52, 60, 78};

    SPhoneSkin s{CCanvas(W, H, kWhite), sx, sy, sx + 208, sy + 320};
    CCanvas& c = s.picture;
    c.FillRoundRect(6, 6, W - 6, H - 6, 40, edge);
    c.GradientRoundRect(9, 9, W - 9, H - 9, 37, bodyTop, bodyBottom, 32);
    c.FillRoundRect(W / 2 - 26, 20, W / 2 + 26, 26, 3, bezel);
    c.TextCentred(W / 2, 36, "LUMETTO", mark);
    // A wide dark bezel around the touch screen.
    c.FillRoundRect(sx - 10, sy - 10, sx + 208 + 10, sy + 320 + 10, 8, bezel);
    c.FillRect(sx, sy, sx + 208, sy + 320, kWhite);

    // Three keys under the screen and a jog wheel on the side.
    const int ky = sy + 320 + 24;
    for (int i = 0; i < 3; ++i) {
        const int kx = 46 + i * 64;
        c.FillRoundRect(kx, ky, kx + 52, ky + 20, 9, edge);
        c.FillRoundRect(kx + 1, ky + 1, kx + 51, ky + 19, 8, key);
    }
    c.FillRect(46 + 18, ky + 8, 46 + 34, ky + 12, mark);  // back
    c.FillEllipse(110 + 26, ky + 10, 5, 5, mark);         // select
    c.FillRect(174 + 18, ky + 6, 174 + 34, ky + 8, mark); // menu
    c.FillRect(174 + 18, ky + 11, 174 + 34, ky + 13, mark);
    c.FillRoundRect(W - 12, 150, W - 4, 200, 3, edge);
    c.TextCentred(W / 2, ky + 34, "UIQ", mark, 2);
    return s;
}
