#include "codec/PlanarRows.h"

#include "codec/PayloadFormat.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define LUMETTO_X86 1
#endif

namespace lumetto {

using payload::Expand4;

void ExpandPlanarRowScalar(const std::uint8_t* gb, const std::uint8_t* r, bool odd, std::size_t n,
                           std::uint8_t* out) {
    for (std::size_t i = 0; i < n; ++i, out += 3) {
        const std::size_t k = i + (odd ? 1 : 0); // position inside the pair run
        const unsigned red = (k & 1) ? r[k >> 1] : r[k >> 1] >> 4;
        out[0] = Expand4(gb[i]);
        out[1] = Expand4(gb[i] >> 4);
        out[2] = Expand4(red);
    }
}

#ifdef LUMETTO_X86
namespace {

// Byte shuffles that interleave 16 pixels into 48 bytes: out part q (bytes
// 16q ... 16q + 15) takes blue and green from the unpacked blue-green pairs
// (pixels 0-7 in `lo`, 8-15 in `hi`) and red from the red bytes. -128 clears
// the byte.
struct Masks {
    alignas(16) std::int8_t bgLo[3][16];
    alignas(16) std::int8_t bgHi[3][16];
    alignas(16) std::int8_t red[3][16];
};

constexpr Masks MakeMasks() {
    Masks m{};
    for (int q = 0; q < 3; ++q)
        for (int j = 0; j < 16; ++j) {
            const int byte = 16 * q + j, pixel = byte / 3, comp = byte % 3;
            m.bgLo[q][j] = m.bgHi[q][j] = m.red[q][j] = -128;
            if (comp == 2)
                m.red[q][j] = static_cast<std::int8_t>(pixel);
            else if (pixel < 8)
                m.bgLo[q][j] = static_cast<std::int8_t>(2 * pixel + comp);
            else
                m.bgHi[q][j] = static_cast<std::int8_t>(2 * (pixel - 8) + comp);
        }
    return m;
}

constexpr Masks kMasks = MakeMasks();

// 16 pixels with SSSE3: 16 green-blue bytes, 8 red pair bytes, 48 bytes out.
__attribute__((target("ssse3"))) inline void Expand16(const std::uint8_t* gb, const std::uint8_t* r,
                                                      std::uint8_t* out) {
    const __m128i low = _mm_set1_epi8(0x0F);
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(gb));
    const __m128i pairs = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(r));
    // c x 17 = c | c << 4 for a 4-bit c; 16-bit shifts are safe as no
    // nibble crosses a byte.
    const __m128i b = _mm_and_si128(v, low);
    const __m128i blue = _mm_or_si128(b, _mm_slli_epi16(b, 4));
    const __m128i g = _mm_and_si128(_mm_srli_epi16(v, 4), low);
    const __m128i green = _mm_or_si128(g, _mm_slli_epi16(g, 4));
    const __m128i rh = _mm_and_si128(_mm_srli_epi16(pairs, 4), low);
    const __m128i rl = _mm_and_si128(pairs, low);
    const __m128i rn = _mm_unpacklo_epi8(rh, rl); // red of pixels 0-15 in order
    const __m128i red = _mm_or_si128(rn, _mm_slli_epi16(rn, 4));
    const __m128i bgLo = _mm_unpacklo_epi8(blue, green);
    const __m128i bgHi = _mm_unpackhi_epi8(blue, green);
    for (int q = 0; q < 3; ++q) {
        const __m128i part = _mm_or_si128(
            _mm_or_si128(
                _mm_shuffle_epi8(bgLo,
                                 _mm_load_si128(reinterpret_cast<const __m128i*>(kMasks.bgLo[q]))),
                _mm_shuffle_epi8(bgHi,
                                 _mm_load_si128(reinterpret_cast<const __m128i*>(kMasks.bgHi[q])))),
            _mm_shuffle_epi8(red, _mm_load_si128(reinterpret_cast<const __m128i*>(kMasks.red[q]))));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16 * q), part);
    }
}

__attribute__((target("ssse3"))) void ExpandSsse3(const std::uint8_t* gb, const std::uint8_t* r,
                                                  std::size_t n, std::uint8_t* out) {
    std::size_t i = 0;
    for (; i + 16 <= n; i += 16)
        Expand16(gb + i, r + i / 2, out + 3 * i);
    ExpandPlanarRowScalar(gb + i, r + i / 2, false, n - i, out + 3 * i);
}

// 32 pixels with AVX2: each 128-bit lane does what Expand16 does for 16
// pixels; the six 16-byte parts are then stored in order.
__attribute__((target("avx2"))) void ExpandAvx2(const std::uint8_t* gb, const std::uint8_t* r,
                                                std::size_t n, std::uint8_t* out) {
    const __m256i low = _mm256_set1_epi8(0x0F);
    __m256i mLo[3], mHi[3], mRed[3];
    for (int q = 0; q < 3; ++q) {
        mLo[q] = _mm256_broadcastsi128_si256(
            _mm_load_si128(reinterpret_cast<const __m128i*>(kMasks.bgLo[q])));
        mHi[q] = _mm256_broadcastsi128_si256(
            _mm_load_si128(reinterpret_cast<const __m128i*>(kMasks.bgHi[q])));
        mRed[q] = _mm256_broadcastsi128_si256(
            _mm_load_si128(reinterpret_cast<const __m128i*>(kMasks.red[q])));
    }
    const __m128i low128 = _mm_set1_epi8(0x0F);
    std::size_t i = 0;
    for (; i + 32 <= n; i += 32) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(gb + i));
        const __m128i pairs = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r + i / 2));
        const __m256i b = _mm256_and_si256(v, low);
        const __m256i blue = _mm256_or_si256(b, _mm256_slli_epi16(b, 4));
        const __m256i g = _mm256_and_si256(_mm256_srli_epi16(v, 4), low);
        const __m256i green = _mm256_or_si256(g, _mm256_slli_epi16(g, 4));
        const __m128i rh = _mm_and_si128(_mm_srli_epi16(pairs, 4), low128);
        const __m128i rl = _mm_and_si128(pairs, low128);
        const __m256i rn = _mm256_set_m128i(_mm_unpackhi_epi8(rh, rl), _mm_unpacklo_epi8(rh, rl));
        const __m256i red = _mm256_or_si256(rn, _mm256_slli_epi16(rn, 4));
        const __m256i bgLo = _mm256_unpacklo_epi8(blue, green);
        const __m256i bgHi = _mm256_unpackhi_epi8(blue, green);
        __m256i part[3];
        for (int q = 0; q < 3; ++q)
            part[q] = _mm256_or_si256(_mm256_or_si256(_mm256_shuffle_epi8(bgLo, mLo[q]),
                                                      _mm256_shuffle_epi8(bgHi, mHi[q])),
                                      _mm256_shuffle_epi8(red, mRed[q]));
        // Lane 0 holds bytes 0-47, lane 1 bytes 48-95.
        std::uint8_t* o = out + 3 * i;
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(o),
                            _mm256_permute2x128_si256(part[0], part[1], 0x20));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(o + 32),
                            _mm256_permute2x128_si256(part[2], part[0], 0x30));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(o + 64),
                            _mm256_permute2x128_si256(part[1], part[2], 0x31));
    }
    ExpandSsse3(gb + i, r + i / 2, n - i, out + 3 * i);
}

// 64 pixels a step with AVX-512 byte permutes: each 64-byte part of the 192
// output bytes takes blue or green through one two-register permute and red
// through one masked permute.
struct Vbmi {
    alignas(64) std::uint8_t blueGreen[3][64]; // blue: pixel, green: 64 + pixel
    alignas(64) std::uint8_t red[3][64];
    std::uint64_t redBytes[3]; // which bytes of the part are red
};

constexpr Vbmi MakeVbmi() {
    Vbmi m{};
    for (int q = 0; q < 3; ++q)
        for (int j = 0; j < 64; ++j) {
            const int byte = 64 * q + j, pixel = byte / 3, comp = byte % 3;
            m.blueGreen[q][j] = static_cast<std::uint8_t>(comp == 1 ? 64 + pixel : pixel);
            m.red[q][j] = static_cast<std::uint8_t>(pixel);
            if (comp == 2)
                m.redBytes[q] |= std::uint64_t(1) << j;
        }
    return m;
}

constexpr Vbmi kVbmi = MakeVbmi();

__attribute__((target("avx512f,avx512bw,avx512vbmi"))) void
ExpandVbmi(const std::uint8_t* gb, const std::uint8_t* r, std::size_t n, std::uint8_t* out) {
    const __m512i low = _mm512_set1_epi8(0x0F);
    const __m512i lowWord = _mm512_set1_epi16(0x000F);
    std::size_t i = 0;
    for (; i + 64 <= n; i += 64) {
        const __m512i v = _mm512_loadu_si512(gb + i);
        const __m512i b = _mm512_and_si512(v, low);
        const __m512i blue = _mm512_or_si512(b, _mm512_slli_epi16(b, 4));
        const __m512i g = _mm512_and_si512(_mm512_srli_epi16(v, 4), low);
        const __m512i green = _mm512_or_si512(g, _mm512_slli_epi16(g, 4));
        // One word per pair: the first pixel's red into its low byte, the
        // second's into its high byte.
        const __m512i w =
            _mm512_cvtepu8_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(r + i / 2)));
        const __m512i rn = _mm512_or_si512(_mm512_srli_epi16(w, 4),
                                           _mm512_slli_epi16(_mm512_and_si512(w, lowWord), 8));
        const __m512i red = _mm512_or_si512(rn, _mm512_slli_epi16(rn, 4));
        for (int q = 0; q < 3; ++q) {
            const __m512i bg =
                _mm512_permutex2var_epi8(blue, _mm512_load_si512(kVbmi.blueGreen[q]), green);
            const __m512i part = _mm512_mask_permutexvar_epi8(bg, kVbmi.redBytes[q],
                                                              _mm512_load_si512(kVbmi.red[q]), red);
            _mm512_storeu_si512(out + 3 * i + 64 * q, part);
        }
    }
    ExpandAvx2(gb + i, r + i / 2, n - i, out + 3 * i);
}

enum class Kernel { Scalar, Ssse3, Avx2, Vbmi };

Kernel ChooseKernel() {
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("avx512bw"))
        return Kernel::Vbmi;
    if (__builtin_cpu_supports("avx2"))
        return Kernel::Avx2;
    if (__builtin_cpu_supports("ssse3"))
        return Kernel::Ssse3;
    return Kernel::Scalar;
}

const Kernel kKernel = ChooseKernel();

} // namespace
#endif

void ExpandPlanarRow(const std::uint8_t* gb, const std::uint8_t* r, bool odd, std::size_t n,
                     std::uint8_t* out) {
#ifdef LUMETTO_X86
    if (odd && n > 0) {
        // The second pixel of a pair first; the rest starts on a pair.
        ExpandPlanarRowScalar(gb, r, true, 1, out);
        ++gb, ++r, --n, out += 3;
        odd = false;
    }
    {
        switch (kKernel) {
        case Kernel::Vbmi:
            ExpandVbmi(gb, r, n, out);
            return;
        case Kernel::Avx2:
            ExpandAvx2(gb, r, n, out);
            return;
        case Kernel::Ssse3:
            ExpandSsse3(gb, r, n, out);
            return;
        case Kernel::Scalar:
            break;
        }
    }
#endif
    ExpandPlanarRowScalar(gb, r, odd, n, out);
}

const char* PlanarRowKernel() {
#ifdef LUMETTO_X86
    switch (kKernel) {
    case Kernel::Vbmi:
        return "avx512vbmi";
    case Kernel::Avx2:
        return "avx2";
    case Kernel::Ssse3:
        return "ssse3";
    case Kernel::Scalar:
        break;
    }
#endif
    return "scalar";
}

} // namespace lumetto
