#include "media/BmpWriter.h"

#include "codec/ScreenFormat.h"
#include "media/LeBytes.h"
#include "platform/OutputFile.h"

#include <cstring>

namespace lumetto {

std::array<std::uint8_t, kBmpHeaderSize> MakeBmpHeader(int width, int rows) {
    const auto image =
        static_cast<std::uint32_t>(DibRowStride(width) * static_cast<std::size_t>(rows));
    CLeBytes b;
    b.Put8('B');
    b.Put8('M');
    b.Put32(kBmpHeaderSize + image); // file size
    b.Put32(0);                      // reserved
    b.Put32(kBmpHeaderSize);         // offset of the pixels
    b.Put32(40);                     // info header size
    b.Put32(static_cast<std::uint32_t>(width));
    b.Put32(static_cast<std::uint32_t>(rows)); // positive: rows bottom-up
    b.Put16(1);                                // planes
    b.Put16(24);                               // bits per pixel
    b.Put32(0);                                // BI_RGB
    b.Put32(image);
    b.Put32(10000); // pixels per metre
    b.Put32(10000);
    b.Put32(0); // colours used
    b.Put32(0); // colours important
    std::array<std::uint8_t, kBmpHeaderSize> h{};
    std::memcpy(h.data(), b.Data(), h.size());
    return h;
}

bool WriteBmpFile(const std::string& path, int width, int rows, const std::uint8_t* pBits,
                  std::string& error) {
    const auto header = MakeBmpHeader(width, rows);
    const std::size_t image = DibRowStride(width) * static_cast<std::size_t>(rows);
    return WriteFileReplacing(path, {{header.data(), header.size()}, {pBits, image}}, error);
}

} // namespace lumetto
