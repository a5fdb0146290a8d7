#include "BmpFile.h"

#include <algorithm>
#include <cstdio>

namespace {

void Put16(std::vector<std::uint8_t>& v, unsigned x) {
    v.push_back(x & 0xFF);
    v.push_back((x >> 8) & 0xFF);
}
void Put32(std::vector<std::uint8_t>& v, std::uint32_t x) {
    Put16(v, x & 0xFFFF);
    Put16(v, x >> 16);
}

// The canvas's colours in order of first appearance, and each pixel's index.
bool Index(const CCanvas& c, std::size_t maxColours, std::vector<SColour>& palette,
           std::vector<std::uint8_t>& indices) {
    indices.resize(static_cast<std::size_t>(c.Width()) * c.Height());
    for (int y = 0; y < c.Height(); ++y)
        for (int x = 0; x < c.Width(); ++x) {
            const SColour col = c.At(x, y);
            auto it = std::find(palette.begin(), palette.end(), col);
            if (it == palette.end()) {
                if (palette.size() == maxColours)
                    return false;
                palette.push_back(col);
                it = palette.end() - 1;
            }
            indices[static_cast<std::size_t>(y) * c.Width() + x] =
                static_cast<std::uint8_t>(it - palette.begin());
        }
    return true;
}

std::vector<std::uint8_t> Header(const CCanvas& c, int bits, std::uint32_t compression,
                                 const std::vector<SColour>& palette, std::size_t paletteSize,
                                 std::size_t imageSize) {
    std::vector<std::uint8_t> v;
    const std::uint32_t offset = 14 + 40 + static_cast<std::uint32_t>(paletteSize * 4);
    v.push_back('B');
    v.push_back('M');
    Put32(v, offset + static_cast<std::uint32_t>(imageSize));
    Put32(v, 0);
    Put32(v, offset);
    Put32(v, 40);
    Put32(v, c.Width());
    Put32(v, c.Height());
    Put16(v, 1);
    Put16(v, bits);
    Put32(v, compression);
    Put32(v, static_cast<std::uint32_t>(imageSize));
    Put32(v, 2835); // 72 dots per inch
    Put32(v, 2835);
    Put32(v, static_cast<std::uint32_t>(paletteSize));
    Put32(v, 0);
    for (std::size_t i = 0; i < paletteSize; ++i) {
        const SColour col = i < palette.size() ? palette[i] : SColour{};
        v.push_back(col.b);
        v.push_back(col.g);
        v.push_back(col.r);
        v.push_back(0);
    }
    return v;
}

} // namespace

std::vector<std::uint8_t> EncodeBmp4(const CCanvas& c) {
    std::vector<SColour> palette;
    std::vector<std::uint8_t> idx;
    if (!Index(c, 16, palette, idx))
        return {};
    const std::size_t stride = ((static_cast<std::size_t>(c.Width()) * 4 + 31) / 32) * 4;
    std::vector<std::uint8_t> pixels(stride * c.Height(), 0);
    for (int y = 0; y < c.Height(); ++y) {
        std::uint8_t* row = pixels.data() + stride * (c.Height() - 1 - y);
        for (int x = 0; x < c.Width(); ++x) {
            const std::uint8_t i = idx[static_cast<std::size_t>(y) * c.Width() + x];
            row[x / 2] |= (x % 2) ? i : static_cast<std::uint8_t>(i << 4);
        }
    }
    std::vector<std::uint8_t> v = Header(c, 4, 0, palette, 16, pixels.size());
    v.insert(v.end(), pixels.begin(), pixels.end());
    return v;
}

std::vector<std::uint8_t> EncodeBmpRle8(const CCanvas& c) {
    std::vector<SColour> palette;
    std::vector<std::uint8_t> idx;
    if (!Index(c, 256, palette, idx))
        return {};
    std::vector<std::uint8_t> data;
    // Rows bottom-up; each row as runs of one index, then end of line.
    for (int y = c.Height() - 1; y >= 0; --y) {
        const std::uint8_t* row = idx.data() + static_cast<std::size_t>(y) * c.Width();
        int x = 0;
        while (x < c.Width()) {
            int n = 1;
            while (x + n < c.Width() && n < 255 && row[x + n] == row[x])
                ++n;
            data.push_back(static_cast<std::uint8_t>(n));
            data.push_back(row[x]);
            x += n;
        }
        data.push_back(0);
        data.push_back(y == 0 ? 1 : 0); // end of bitmap after the top row
    }
    std::vector<std::uint8_t> v =
        Header(c, 8, 1 /* BI_RLE8 */, palette, palette.size(), data.size());
    v.insert(v.end(), data.begin(), data.end());
    return v;
}

bool WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}
