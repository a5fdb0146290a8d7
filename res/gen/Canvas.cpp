#include "Canvas.h"

#include "Font5x7.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

SColour Mix(SColour a, SColour b, double t) {
    auto m = [t](int u, int v) { return static_cast<std::uint8_t>(std::lround(u + (v - u) * t)); };
    return {m(a.r, b.r), m(a.g, b.g), m(a.b, b.b)};
}

CCanvas::CCanvas(int w, int h, SColour fill)
    : m_w(w), m_h(h), m_px(static_cast<std::size_t>(w) * h, fill) {}

void CCanvas::Set(int x, int y, SColour c) {
    if (x >= 0 && y >= 0 && x < m_w && y < m_h)
        m_px[static_cast<std::size_t>(y) * m_w + x] = c;
}

void CCanvas::FillRect(int x0, int y0, int x1, int y1, SColour c) {
    for (int y = std::max(y0, 0); y < std::min(y1, m_h); ++y)
        for (int x = std::max(x0, 0); x < std::min(x1, m_w); ++x)
            m_px[static_cast<std::size_t>(y) * m_w + x] = c;
}

bool CCanvas::InRoundRect(int x, int y, int x0, int y0, int x1, int y1, int r) const {
    if (x < x0 || y < y0 || x >= x1 || y >= y1)
        return false;
    // Distance from the nearest corner centre, measured at the pixel's centre.
    const double px = x + 0.5, py = y + 0.5;
    const double cx = std::clamp(px, double(x0 + r), double(x1 - r));
    const double cy = std::clamp(py, double(y0 + r), double(y1 - r));
    const double dx = px - cx, dy = py - cy;
    return dx * dx + dy * dy <= double(r) * r;
}

void CCanvas::FillRoundRect(int x0, int y0, int x1, int y1, int radius, SColour c) {
    for (int y = std::max(y0, 0); y < std::min(y1, m_h); ++y)
        for (int x = std::max(x0, 0); x < std::min(x1, m_w); ++x)
            if (InRoundRect(x, y, x0, y0, x1, y1, radius))
                Set(x, y, c);
}

void CCanvas::GradientRoundRect(int x0, int y0, int x1, int y1, int radius, SColour top,
                                SColour bottom, int steps) {
    const int h = std::max(y1 - y0, 1);
    for (int y = std::max(y0, 0); y < std::min(y1, m_h); ++y) {
        const int band = std::min((y - y0) * steps / h, steps - 1);
        const SColour c = Mix(top, bottom, steps > 1 ? double(band) / (steps - 1) : 0.0);
        for (int x = std::max(x0, 0); x < std::min(x1, m_w); ++x)
            if (InRoundRect(x, y, x0, y0, x1, y1, radius))
                Set(x, y, c);
    }
}

void CCanvas::FrameRoundRect(int x0, int y0, int x1, int y1, int radius, int t, SColour c) {
    const int inner = std::max(radius - t, 0);
    for (int y = std::max(y0, 0); y < std::min(y1, m_h); ++y)
        for (int x = std::max(x0, 0); x < std::min(x1, m_w); ++x)
            if (InRoundRect(x, y, x0, y0, x1, y1, radius) &&
                !InRoundRect(x, y, x0 + t, y0 + t, x1 - t, y1 - t, inner))
                Set(x, y, c);
}

void CCanvas::FillEllipse(int cx, int cy, int rx, int ry, SColour c) {
    for (int y = cy - ry; y <= cy + ry; ++y)
        for (int x = cx - rx; x <= cx + rx; ++x) {
            const double dx = (x - cx) / double(rx), dy = (y - cy) / double(ry);
            if (dx * dx + dy * dy <= 1.0)
                Set(x, y, c);
        }
}

void CCanvas::Line(int x0, int y0, int x1, int y1, SColour c) {
    const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    for (;;) {
        Set(x0, y0, c);
        if (x0 == x1 && y0 == y1)
            break;
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

int CCanvas::TextWidth(const std::string& s, int scale) {
    return s.empty() ? 0 : (static_cast<int>(s.size()) * 6 - 1) * scale;
}

int CCanvas::Text(int x, int y, const std::string& s, SColour c, int scale) {
    int pen = x;
    for (char ch : s) {
        if (const char* const* rows = Glyph5x7(ch)) {
            for (int r = 0; r < 7; ++r)
                for (int k = 0; k < 5; ++k)
                    if (rows[r][k] == '#')
                        FillRect(pen + k * scale, y + r * scale, pen + (k + 1) * scale,
                                 y + (r + 1) * scale, c);
        }
        pen += 6 * scale;
    }
    return pen - x;
}

void CCanvas::TextCentred(int cx, int y, const std::string& s, SColour c, int scale) {
    Text(cx - TextWidth(s, scale) / 2, y, s, c, scale);
}
