// A small RGB drawing surface for the resource generator: filled shapes
// without smoothing (so a picture keeps few colours) and the 5 x 7 font.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct SColour {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const SColour&) const = default;
};

// Mixes two colours, t from 0 (a) to 1 (b).
SColour Mix(SColour a, SColour b, double t);

class CCanvas {
public:
    CCanvas(int w, int h, SColour fill);

    int Width() const { return m_w; }
    int Height() const { return m_h; }
    SColour At(int x, int y) const { return m_px[static_cast<std::size_t>(y) * m_w + x]; }
    void Set(int x, int y, SColour c);

    void FillRect(int x0, int y0, int x1, int y1, SColour c); // x1, y1 exclusive
    void FillRoundRect(int x0, int y0, int x1, int y1, int radius, SColour c);
    // A round rectangle shaded from top to bottom in `steps` bands.
    void GradientRoundRect(int x0, int y0, int x1, int y1, int radius, SColour top, SColour bottom,
                           int steps);
    void FrameRoundRect(int x0, int y0, int x1, int y1, int radius, int thickness, SColour c);
    void FillEllipse(int cx, int cy, int rx, int ry, SColour c);
    void Line(int x0, int y0, int x1, int y1, SColour c);

    // Text in the 5 x 7 font, each font pixel `scale` x `scale`, one column of
    // space between letters. Returns the width drawn.
    int Text(int x, int y, const std::string& s, SColour c, int scale = 1);
    static int TextWidth(const std::string& s, int scale = 1);
    // Text centred on column cx.
    void TextCentred(int cx, int y, const std::string& s, SColour c, int scale = 1);

private:
    bool InRoundRect(int x, int y, int x0, int y0, int x1, int y1, int radius) const;

    int m_w, m_h;
    std::vector<SColour> m_px;
};
