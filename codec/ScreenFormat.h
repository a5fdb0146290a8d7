// The phone's screens and the layout of the screen picture that the decoder
// fills and the screen window, the movie writers and the screenshot writer read.
#pragma once

#include <cstddef>

namespace lumetto {

// Platform codes: they mark skins, choose the built-in pictures and are
// compared with the screen size the phone announces.
constexpr int kPlatformS60 = 0; // screen 176 x 208
constexpr int kPlatformUIQ = 1; // screen 208 x 320

constexpr int kS60Width = 176;
constexpr int kS60Height = 208;
constexpr int kUIQWidth = 208;
constexpr int kUIQHeight = 320;

// Largest screen side a header may announce; larger (or zero) sizes are not honoured.
constexpr int kMaxScreenSide = 2048;

// Bytes of one row of a 24-bit bottom-up bitmap: width x 3 rounded up to a
// multiple of 4. Equal to width x 3 for the phones' widths (176, 208, 320).
constexpr std::size_t DibRowStride(int width) {
    return (static_cast<std::size_t>(width) * 3 + 3) & ~static_cast<std::size_t>(3);
}

// Bytes of the screen picture: height + 1 rows (the extra top row is white).
constexpr std::size_t ScreenImageSize(int width, int height) {
    return DibRowStride(width) * (static_cast<std::size_t>(height) + 1);
}

} // namespace lumetto
