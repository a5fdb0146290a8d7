// Writes a screen picture as an uncompressed 24-bit Windows bitmap file.
//
// The picture is stored exactly as it is held: rows bottom-up, pixels blue,
// green, red, rows padded to 4 bytes. The 54-byte header is a 14-byte file
// header and a 40-byte info header with 10000 pixels per metre both ways.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace lumetto {

constexpr std::size_t kBmpHeaderSize = 54;

// The header for a picture of `width` x `rows` pixels (rows as stored, slack
// row included).
std::array<std::uint8_t, kBmpHeaderSize> MakeBmpHeader(int width, int rows);

// Writes header and pixels (DibRowStride(width) x rows bytes) to `path`,
// replacing an existing file by the rules of media/OutputFile.h (through a
// symlink to its target, never into a FIFO or device, mode kept). On failure
// returns false and sets `error` to a sentence saying what failed; the old
// file is untouched and no partly written file is left.
bool WriteBmpFile(const std::string& path, int width, int rows, const std::uint8_t* pBits,
                  std::string& error);

} // namespace lumetto
