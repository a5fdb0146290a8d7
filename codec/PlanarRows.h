// Expands rows of the decoder's planar 12-bit picture into 24-bit pixels.
//
// The decoder keeps the screen as two planes, as the payloads carry it: one
// byte per pixel with green in the high and blue in the low 4 bits, and one
// byte per pair of pixels (raster order, from the top-left pixel) with the
// first pixel's red in the high and the second's in the low 4 bits. A row is
// expanded to blue, green, red bytes, each component c becoming c x 17.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lumetto {

// Writes nPixels pixels (3 bytes each) to pOut. pGreenBlue points to the
// first pixel's green-blue byte, pRed to the red byte of the pair that holds
// the first pixel; bOddStart tells that the first pixel is the second of its
// pair. Uses the widest vector unit the processor has.
void ExpandPlanarRow(const std::uint8_t* pGreenBlue, const std::uint8_t* pRed, bool bOddStart,
                     std::size_t nPixels, std::uint8_t* pOut);

// The same one pixel at a time: the reference the vector versions must match.
void ExpandPlanarRowScalar(const std::uint8_t* pGreenBlue, const std::uint8_t* pRed, bool bOddStart,
                           std::size_t nPixels, std::uint8_t* pOut);

// Which implementation ExpandPlanarRow uses: "avx512vbmi", "avx2", "ssse3" or
// "scalar".
const char* PlanarRowKernel();

} // namespace lumetto
