// Turns palette indices (colour format 8) into the decoder's planar picture
// (see PlanarRows.h): the green-blue byte of each pixel and the red halves of
// the pixel pair bytes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lumetto {

// A palette as the planes hold it: per entry the green-blue byte
// (green << 4 | blue) and the red component (0-15).
struct PlanarPalette {
    std::uint8_t greenBlue[256];
    std::uint8_t red[256];
};

// Writes nPixels pixels from the indices: pGreenBlue[i] and the red of pixel
// i, which goes into pRedPairs[i / 2] (high half for even i). The run starts
// on a pair; nPixels is even. Uses the widest vector unit that can.
void ApplyPaletteRun(const PlanarPalette& pal, const std::uint8_t* pIndices, std::size_t nPixels,
                     std::uint8_t* pGreenBlue, std::uint8_t* pRedPairs);

// The same one pair at a time: the reference for the vector version.
void ApplyPaletteRunScalar(const PlanarPalette& pal, const std::uint8_t* pIndices,
                           std::size_t nPixels, std::uint8_t* pGreenBlue, std::uint8_t* pRedPairs);

} // namespace lumetto
