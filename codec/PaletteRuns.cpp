#include "codec/PaletteRuns.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define LUMETTO_X86 1
#endif

namespace lumetto {

void ApplyPaletteRunScalar(const PlanarPalette& pal, const std::uint8_t* idx, std::size_t n,
                           std::uint8_t* gb, std::uint8_t* red) {
    for (std::size_t k = 0; k + 2 <= n; k += 2) {
        const std::uint8_t a = idx[k], b = idx[k + 1];
        gb[k] = pal.greenBlue[a];
        gb[k + 1] = pal.greenBlue[b];
        red[k / 2] = static_cast<std::uint8_t>(pal.red[a] << 4 | pal.red[b]);
    }
}

#ifdef LUMETTO_X86
namespace {

// 64 pixels a step: each 256-entry table is four 64-byte registers; two
// two-register byte permutes look up entries 0-127 and 128-255, and the
// index's top bit picks one.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) void
ApplyVbmi(const PlanarPalette& pal, const std::uint8_t* idx, std::size_t n, std::uint8_t* gb,
          std::uint8_t* red) {
    const __m512i g0 = _mm512_loadu_si512(pal.greenBlue),
                  g1 = _mm512_loadu_si512(pal.greenBlue + 64);
    const __m512i g2 = _mm512_loadu_si512(pal.greenBlue + 128),
                  g3 = _mm512_loadu_si512(pal.greenBlue + 192);
    const __m512i r0 = _mm512_loadu_si512(pal.red), r1 = _mm512_loadu_si512(pal.red + 64);
    const __m512i r2 = _mm512_loadu_si512(pal.red + 128), r3 = _mm512_loadu_si512(pal.red + 192);
    std::size_t k = 0;
    for (; k + 64 <= n; k += 64) {
        const __m512i i = _mm512_loadu_si512(idx + k);
        const __mmask64 high = _mm512_movepi8_mask(i);
        const __m512i g = _mm512_mask_blend_epi8(high, _mm512_permutex2var_epi8(g0, i, g1),
                                                 _mm512_permutex2var_epi8(g2, i, g3));
        _mm512_storeu_si512(gb + k, g);
        const __m512i r = _mm512_mask_blend_epi8(high, _mm512_permutex2var_epi8(r0, i, r1),
                                                 _mm512_permutex2var_epi8(r2, i, r3));
        // Each 16-bit word holds a pair: first red in its low, second in its
        // high byte; its low byte becomes first << 4 | second.
        const __m512i pairs = _mm512_or_si512(_mm512_slli_epi16(r, 4), _mm512_srli_epi16(r, 8));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(red + k / 2),
                            _mm512_maskz_cvtepi16_epi8(~__mmask32(0), pairs));
    }
    ApplyPaletteRunScalar(pal, idx + k, n - k, gb + k, red + k / 2);
}

const bool kHasVbmi = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("avx512bw");
}();

} // namespace
#endif

void ApplyPaletteRun(const PlanarPalette& pal, const std::uint8_t* idx, std::size_t n,
                     std::uint8_t* gb, std::uint8_t* red) {
#ifdef LUMETTO_X86
    if (kHasVbmi && n >= 64) {
        ApplyVbmi(pal, idx, n, gb, red);
        return;
    }
#endif
    ApplyPaletteRunScalar(pal, idx, n, gb, red);
}

} // namespace lumetto
