#include "codec/ScreenRgb32.h"

#include "codec/ScreenDib.h"

#include <algorithm>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define LUMETTO_X86 1
#endif

namespace {

void RowScalar(const std::uint8_t* s, std::uint8_t* d, int n) {
    for (int i = 0; i < n; ++i, s += 3, d += 4) {
        const std::uint32_t px =
            0xFF000000u | std::uint32_t(s[2]) << 16 | std::uint32_t(s[1]) << 8 | s[0];
        std::memcpy(d, &px, 4);
    }
}

#ifdef LUMETTO_X86
// x86 is little-endian: the word 0xffRRGGBB is the bytes blue, green, red,
// 0xff, which a byte shuffle makes from the picture's blue, green, red.
__attribute__((target("ssse3"))) void RowSsse3(const std::uint8_t* s, std::uint8_t* d, int n) {
    // 4 pixels (12 bytes) of a 16-byte load become 16 bytes; the load never
    // reaches past the row's last pixel.
    const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    int i = 0;
    for (; i + 6 <= n; i += 4, s += 12, d += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d),
                         _mm_or_si128(_mm_shuffle_epi8(v, spread), alpha));
    }
    RowScalar(s, d, n - i);
}

const bool kHasSsse3 = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("ssse3") != 0;
}();
#endif

void Row(const std::uint8_t* s, std::uint8_t* d, int n) {
#ifdef LUMETTO_X86
    if (kHasSsse3) {
        RowSsse3(s, d, n);
        return;
    }
#endif
    RowScalar(s, d, n);
}

} // namespace

namespace lumetto {

void ScreenRowsToRgb32(const CScreenDib& dib, int nFirst, int nEnd, std::uint8_t* pDst,
                       std::size_t nDstStride) {
    const int h = dib.Height();
    nFirst = std::max(nFirst, 0);
    nEnd = std::min(nEnd, h);
    const std::size_t stride = dib.Stride();
    for (int y = nFirst; y < nEnd; ++y) {
        // Picture row y is held at row h - 1 - y.
        const std::uint8_t* src = dib.Bits() + stride * static_cast<std::size_t>(h - 1 - y);
        Row(src, pDst + nDstStride * static_cast<std::size_t>(y), dib.Width());
    }
}

} // namespace lumetto
