// The skin-file reader over arbitrary file contents, and the bitmap path over
// arbitrary file names. Skin files come from a folder any user can write to.
// A byte order mark in front changes nothing; numbers never overflow. The
// same bytes as a bitmap: a BMP that is whole stays whole when bytes follow.
#include "display/SkinFile.h"
#include "fuzz/FuzzCheck.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// An in-memory file reachable by path, made once and rewritten per input.
int MemoryFile() {
    static const int fd = ::memfd_create("skin", MFD_CLOEXEC);
    return fd;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int fd = MemoryFile();
    if (fd < 0 || ::ftruncate(fd, 0) != 0 || ::pwrite(fd, data, size, 0) != ssize_t(size))
        return 0;
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    if (const auto skin = ReadSkinFile(path)) {
        Check(skin->strName.size() <= kSkinNameMax);
        Check(skin->strName.find('\n') == std::string::npos);
    }

    // The same bytes as a file name.
    const std::string name(reinterpret_cast<const char*>(data), size);
    const std::string bmp = SkinBitmapPath(name);
    Check(bmp.size() >= 4 && bmp.compare(bmp.size() - 4, 4, ".bmp") == 0);
    Check(name.compare(0, bmp.size() - 4, bmp, 0, bmp.size() - 4) == 0);

    // The same bytes behind a UTF-8 byte order mark read the same.
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (text.compare(0, 3, "\xEF\xBB\xBF") != 0) {
        std::string why1, why2;
        const auto plain = ParseSkinText(text, &why1);
        const auto marked = ParseSkinText("\xEF\xBB\xBF" + text, &why2);
        Check(plain.has_value() == marked.has_value() && why1 == why2);
        if (plain)
            Check(plain->strName == marked->strName && plain->nLeft == marked->nLeft &&
                  plain->nBottom == marked->nBottom);
    }

    // As a bitmap's bytes, once they hold a BMP's header up to its compression.
    if (text.size() >= 34 && BmpCutShort(text).empty())
        Check(BmpCutShort(text + std::string(64, '\0')).empty());

    // Integers alone, as the reader takes them after the name line: each
    // takes at most 15 characters after the white space and moves on.
    std::size_t pos = 0;
    for (int i = 0; i < 8 && pos < text.size(); ++i) {
        const std::size_t before = pos;
        int value = 0;
        std::string taken;
        const ESkinNumber r = ReadSkinInteger(text, pos, value, &taken);
        Check(pos >= before && pos <= text.size());
        Check(taken.size() <= static_cast<std::size_t>(kSkinNumberMaxChars));
        if (r == ESkinNumber::Missing)
            break;
    }
    return 0;
}
