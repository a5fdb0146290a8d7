#include "media/BmpWriter.h"

#include "codec/ScreenFormat.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace lumetto {

namespace {

void Put16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

void Put32(std::uint8_t* p, std::uint32_t v) {
    Put16(p, v & 0xFFFF);
    Put16(p + 2, v >> 16);
}

} // namespace

std::array<std::uint8_t, kBmpHeaderSize> MakeBmpHeader(int width, int rows) {
    const auto image = static_cast<std::uint32_t>(DibRowStride(width) * rows);
    std::array<std::uint8_t, kBmpHeaderSize> h{};
    h[0] = 'B';
    h[1] = 'M';
    Put32(&h[2], kBmpHeaderSize + image); // file size
    Put32(&h[10], kBmpHeaderSize);        // offset of the pixels
    Put32(&h[14], 40);                    // info header size
    Put32(&h[18], static_cast<std::uint32_t>(width));
    Put32(&h[22], static_cast<std::uint32_t>(rows)); // positive: bottom-up
    Put16(&h[26], 1);                                // planes
    Put16(&h[28], 24);                               // bits per pixel
    Put32(&h[30], 0);                                // BI_RGB
    Put32(&h[34], image);
    Put32(&h[38], 10000); // pixels per metre
    Put32(&h[42], 10000);
    return h;
}

bool WriteBmpFile(const std::string& path, int width, int rows, const std::uint8_t* pBits,
                  std::string& error) {
    const auto header = MakeBmpHeader(width, rows);
    const std::size_t image = DibRowStride(width) * static_cast<std::size_t>(rows);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        error = "Cannot create \"" + path + "\": " + std::strerror(errno) + ".";
        return false;
    }
    bool ok = std::fwrite(header.data(), 1, header.size(), f) == header.size() &&
              std::fwrite(pBits, 1, image, f) == image;
    int err = ok ? 0 : errno;
    if (std::fclose(f) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        error = "Cannot write \"" + path + "\": " + std::strerror(err ? err : EIO) + ".";
        std::remove(path.c_str());
    }
    return ok;
}

} // namespace lumetto
