// The received screen as the program holds it: 24 bits per pixel in the byte
// order blue, green, red; rows bottom-up, each DibRowStride(width) bytes;
// height + 1 rows, the extra top row (last in memory) white. The decoder
// writes it (in the screen model, ScreenModel.h); the AVI writer and the BMP
// writer take exactly these bytes; a screenshot's snapshot is a copy.
#pragma once

#include "codec/ScreenFormat.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class CScreenDib {
public:
    // A white picture for a screen of nWidth x nHeight (both at least 1).
    CScreenDib(int nWidth, int nHeight)
        : m_nWidth(nWidth), m_nHeight(nHeight),
          m_bits(lumetto::ScreenImageSize(nWidth, nHeight), 0xFF) {}

    int Width() const { return m_nWidth; }
    // The screen's height; the picture holds one row more.
    int Height() const { return m_nHeight; }
    // Rows held, the slack row included.
    int Rows() const { return m_nHeight + 1; }
    std::size_t Stride() const { return lumetto::DibRowStride(m_nWidth); }
    std::size_t ImageSize() const { return m_bits.size(); }
    const std::uint8_t* Bits() const { return m_bits.data(); }
    std::uint8_t* Bits() { return m_bits.data(); }

private:
    int m_nWidth;
    int m_nHeight;
    std::vector<std::uint8_t> m_bits;
};
