// Shared facts about the phone's screen and the screen picture layout.
#pragma once

#include <cstddef>
#include <cstdint>

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

// Colour formats of a screen payload body.
constexpr int kFormatIndexed8 = 8;
constexpr int kFormatDirect12 = 12;

// Bytes of one row of a 24-bit bottom-up bitmap: width x 3 rounded up to a
// multiple of 4. Equal to width x 3 for the phones' widths (176, 208, 320).
constexpr std::size_t DibRowStride(int width) {
    return (static_cast<std::size_t>(width) * 3 + 3) & ~static_cast<std::size_t>(3);
}

// Bytes of the screen picture: height + 1 rows (the extra top row is white).
constexpr std::size_t ScreenImageSize(int width, int height) {
    return DibRowStride(width) * (static_cast<std::size_t>(height) + 1);
}

// A 4-bit colour component expanded to a byte: 0x0 -> 0, 0x8 -> 136, 0xF -> 255.
constexpr std::uint8_t Expand4(unsigned c) {
    return static_cast<std::uint8_t>((c & 0xF) * 17);
}

} // namespace lumetto
