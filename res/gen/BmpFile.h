// Windows bitmap files of few colours for the resource generator: 4 bits per
// pixel uncompressed, or 8 bits per pixel run-length coded (RLE8).
#pragma once

#include "Canvas.h"

#include <cstdint>
#include <string>
#include <vector>

// The file bytes of the canvas as an indexed bitmap. The canvas must hold at
// most 16 (4 bits) or 256 (8 bits) colours; otherwise the result is empty.
std::vector<std::uint8_t> EncodeBmp4(const CCanvas& canvas);
std::vector<std::uint8_t> EncodeBmpRle8(const CCanvas& canvas);

bool WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
