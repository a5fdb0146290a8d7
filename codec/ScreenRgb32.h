// The one conversion of the screen picture (ScreenDib.h: bottom row first,
// blue-green-red) into the 32-bit form the window draws and the image
// writers, the clipboard and the movie encoder take: top row first, each
// pixel the word 0xffRRGGBB in the machine's byte order (Qt's RGB32). Fast
// where the processor has SSSE3.
#pragma once

#include <cstddef>
#include <cstdint>

class CScreenDib;

namespace lumetto {

// Writes picture rows [nFirst, nEnd) (top row 0, clipped to the picture)
// into the rows of the same numbers of pDst, an image of the picture's
// width whose rows are nDstStride bytes apart.
void ScreenRowsToRgb32(const CScreenDib& dib, int nFirst, int nEnd, std::uint8_t* pDst,
                       std::size_t nDstStride);

} // namespace lumetto
