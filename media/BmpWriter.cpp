#include "media/BmpWriter.h"

#include "codec/ScreenFormat.h"
#include "media/LeBytes.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace lumetto {

namespace {

// Writes all n bytes, going on after interruptions and short writes.
bool WriteAll(int fd, const std::uint8_t* p, std::size_t n) {
    while (n > 0) {
        const ssize_t k = ::write(fd, p, n);
        if (k < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += k;
        n -= static_cast<std::size_t>(k);
    }
    return true;
}

} // namespace

std::array<std::uint8_t, kBmpHeaderSize> MakeBmpHeader(int width, int rows) {
    const auto image = static_cast<std::uint32_t>(DibRowStride(width) * rows);
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
    // Write under a temporary name beside the target and rename at the end, so
    // a failure never leaves half a picture under the chosen name.
    const std::string temp = path + ".part" + std::to_string(::getpid());
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = "Cannot create \"" + path + "\": " + std::strerror(errno) + ".";
        return false;
    }
    const auto header = MakeBmpHeader(width, rows);
    const std::size_t image = DibRowStride(width) * static_cast<std::size_t>(rows);
    bool ok = WriteAll(fd, header.data(), header.size()) && WriteAll(fd, pBits, image);
    int err = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && std::rename(temp.c_str(), path.c_str()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        error = "Cannot write \"" + path + "\": " + std::strerror(err) + ".";
        ::unlink(temp.c_str());
    }
    return ok;
}

} // namespace lumetto
