// The built-in picture: a phone's home screen with a running clock.
//
// A status bar with signal strength, a small clock and the battery; a large
// clock that ticks each second with the date under it; a grid of application
// icons with one of them selected (the selection moves every 2 seconds); and
// the softkey labels at the bottom. Drawn with QPainter at the screen size and
// reduced to 12-bit colours.
#pragma once

#include "phone/PictureSource.h"

#include <QImage>

class CHomeScreenScene : public IPictureSource {
public:
    CHomeScreenScene(int nWidth, int nHeight);

    void Render(std::int64_t nFrame, std::int64_t msTime, std::vector<std::uint16_t>& pic) override;

    // The picture as drawn, before the reduction to 12-bit colours.
    const QImage& Image() const { return m_image; }

private:
    void Draw(std::int64_t msTime);

    int m_nWidth;
    int m_nHeight;
    QImage m_image;
};
