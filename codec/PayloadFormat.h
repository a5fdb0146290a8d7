// The screen payload: what one screen frame carries (the frame around it is
// drawn in link/WireFormat.h). The decoder (ScreenDecoder) and the phone-side
// encoder (ScreenEncoder, RunListWriter) both read this header. Every 16-bit
// number is big-endian.
//
// Payload with a header (kind = 1):
//
//    0      1      3      5      7      8
//    +------+------+------+------+------+------ ... ------+
//    | kind | width|height|format| res. | body            |
//    |  = 1 | (u16)| (u16)| (u16)|      |                 |
//    +------+------+------+------+------+------ ... ------+
//
// Payload without a header (kind != 1, the encoder writes 0):
//
//    0      1
//    +------+------ ... ------+
//    | kind | body            |   coded in the format of the last header
//    +------+------ ... ------+
//
// Body of format 8 (a palette index per pixel):
//    P (u16), P palette words (u16: ---- rrrr gggg bbbb), setting entries 0..P-1;
//    then one run list over pixels, a data byte being a palette index.
// Body of format 12 (12-bit direct colour in two planes):
//    a run list over pixels, a data byte gggg bbbb;
//    a run list over pixel pairs (2k, 2k+1), a data byte rrrr(2k) rrrr(2k+1).
// Pixels are in raster order from the top-left; runs go on across row ends.
// A 4-bit component c becomes the byte c x 17.
//
// A run list: a run count R (u16), then R runs, each a control word
//
//    15   14   13                                   0
//    +----+----+------------------------------------+
//    |skip|lit.| n: the run's length in units        |
//    +----+----+------------------------------------+
//
//    skip (bit 15):           n units keep their bytes; no data follows
//    literal (bit 14 alone):  n data bytes follow, one a unit
//    repeat (neither):        one data byte follows, for all n units
#pragma once

#include <cstddef>
#include <cstdint>

namespace payload {

constexpr unsigned kKindHeader = 1;    // a header follows the kind byte
constexpr std::size_t kHeaderSize = 8; // kind, width, height, format, reserved

constexpr unsigned kRunSkip = 0x8000;
constexpr unsigned kRunLiteral = 0x4000;
constexpr unsigned kRunLengthMask = 0x3FFF; // n: 0 to 16383 units

// Colour formats of a body.
constexpr int kFormatIndexed8 = 8;
constexpr int kFormatDirect12 = 12;

// A 4-bit colour component expanded to a byte: 0x0 -> 0, 0x8 -> 136, 0xF -> 255.
constexpr std::uint8_t Expand4(unsigned c) {
    return static_cast<std::uint8_t>((c & 0xF) * 17);
}

} // namespace payload
