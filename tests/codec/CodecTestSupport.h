// Pictures and checks shared by the encoder tests.
#pragma once

#include "codec/ScreenDecoder.h"
#include "codec/ScreenFormat.h"

#include <cstdint>
#include <vector>

namespace codectest {

using Picture = std::vector<std::uint16_t>;

// The receiver's picture (top row first, blue-green-red bytes) as 12-bit colours.
inline Picture DecodedPicture(const CScreenDecoder& dec) {
    const int w = dec.PictureWidth();
    const int h = dec.PictureHeight();
    Picture pic(std::size_t(w) * h);
    const std::uint8_t* p = dec.DecodeBits();
    for (std::size_t i = 0; i < pic.size(); ++i, p += 3)
        pic[i] = std::uint16_t(((p[2] / 17) << 8) | ((p[1] / 17) << 4) | (p[0] / 17));
    return pic;
}

// True when every byte of the decoded picture is an expanded 4-bit component.
inline bool OnlyExpandedComponents(const CScreenDecoder& dec) {
    const std::uint8_t* p = dec.DecodeBits();
    const std::size_t n = std::size_t(dec.PictureWidth()) * dec.PictureHeight() * 3;
    for (std::size_t i = 0; i < n; ++i)
        if (p[i] % 17 != 0)
            return false;
    return true;
}

} // namespace codectest
