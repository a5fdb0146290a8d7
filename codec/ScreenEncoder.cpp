#include "codec/ScreenEncoder.h"

#include "codec/PayloadFormat.h"
#include "codec/RunListWriter.h"
#include "codec/ScreenFormat.h"

#include <algorithm>

using namespace lumetto;
using payload::kFormatDirect12;
using payload::kFormatIndexed8;

namespace {

constexpr std::uint16_t kColourMask = 0x0FFF;

std::uint8_t* Put16(std::uint8_t* p, unsigned v) {
    p[0] = std::uint8_t(v >> 8);
    p[1] = std::uint8_t(v);
    return p + 2;
}

unsigned Distance(std::uint16_t a, std::uint16_t b) {
    const int dr = int(a >> 8) - int(b >> 8);
    const int dg = int((a >> 4) & 0xF) - int((b >> 4) & 0xF);
    const int db = int(a & 0xF) - int(b & 0xF);
    return unsigned(3 * dr * dr + 4 * dg * dg + 2 * db * db);
}

// The nearest palette colour of a 12-bit colour. Palette indices are grouped
// by red, so the search goes outward from the colour's own red and stops once
// the red difference alone costs more than the best match found.
class NearestColour {
public:
    NearestColour(const std::uint16_t* pPalette, std::size_t nSize) : m_pPalette(pPalette) {
        for (std::size_t i = 0; i < nSize; ++i)
            ++m_start[(pPalette[i] >> 8) + 1];
        for (std::size_t r = 1; r < m_start.size(); ++r)
            m_start[r] += m_start[r - 1];
        std::array<std::uint16_t, 16> fill{};
        for (std::size_t i = 0; i < nSize; ++i) {
            const unsigned r = pPalette[i] >> 8;
            m_byRed[m_start[r] + fill[r]++] = std::uint8_t(i);
        }
    }

    // The lowest index among the palette colours nearest to c.
    unsigned Find(std::uint16_t c) const {
        const int red = c >> 8;
        unsigned best = 0, bestDistance = ~0u;
        for (int dr = 0; dr < 16 && unsigned(3 * dr * dr) <= bestDistance; ++dr) {
            SearchRed(c, red - dr, best, bestDistance);
            if (dr != 0)
                SearchRed(c, red + dr, best, bestDistance);
        }
        return best;
    }

private:
    void SearchRed(std::uint16_t c, int r, unsigned& best, unsigned& bestDistance) const {
        if (r < 0 || r > 15)
            return;
        for (unsigned j = m_start[std::size_t(r)]; j < m_start[std::size_t(r) + 1]; ++j) {
            const unsigned i = m_byRed[j];
            const unsigned d = Distance(c, m_pPalette[i]);
            if (d < bestDistance || (d == bestDistance && i < best)) {
                bestDistance = d;
                best = i;
            }
        }
    }

    const std::uint16_t* m_pPalette;
    std::array<std::uint16_t, 17> m_start{};
    std::array<std::uint8_t, 256> m_byRed{};
};

} // namespace

bool CScreenEncoder::Encode(const std::uint16_t* pPicture, const std::uint16_t* pPrevious,
                            const Params& params, std::vector<std::uint8_t>& out,
                            std::uint16_t* pShown) {
    out.clear();
    m_nLastRuns = 0;
    m_nPaletteSize = 0;
    m_bReduced = false;
    if (params.nWidth < 1 || params.nHeight < 1 || params.nWidth > kMaxScreenSide ||
        params.nHeight > kMaxScreenSide ||
        (params.nFormat != kFormatIndexed8 && params.nFormat != kFormatDirect12))
        return false;

    const std::size_t pixels = std::size_t(params.nWidth) * std::size_t(params.nHeight);
    const std::size_t pairs = (pixels + 1) / 2;
    const std::size_t bound = params.nFormat == kFormatDirect12
                                  ? MaxRunListBytes(pixels) + MaxRunListBytes(pairs)
                                  : 2 + 2 * 256 + MaxRunListBytes(pixels);
    // Written into a scratch buffer of the worst-case size, then copied out:
    // only the bytes used are touched in `out`.
    if (m_work.size() < 8 + bound)
        m_work.resize(8 + bound);
    if (m_data.size() < pixels) {
        m_data.resize(pixels);
        m_kinds.resize(pixels);
    }

    std::uint8_t* p = WriteHeader(params, m_work.data());
    std::uint8_t* const body = p;
    bool ok = params.nFormat == kFormatDirect12 ? EncodeDirect12(pPicture, pPrevious, pixels, p)
                                                : EncodeIndexed8(pPicture, pPrevious, pixels, p);
    if (!ok) {
        // Too many runs even after merging: only unchanged pixels that must
        // not be rewritten can force that (format 8). Code every pixel.
        p = body;
        ok = params.nFormat == kFormatDirect12 ? EncodeDirect12(pPicture, nullptr, pixels, p)
                                               : EncodeIndexed8(pPicture, nullptr, pixels, p);
    }
    if (!ok)
        return false;
    out.assign(m_work.data(), p);

    if (pShown) {
        if (params.nFormat == kFormatDirect12) {
            for (std::size_t i = 0; i < pixels; ++i)
                pShown[i] = pPicture[i] & kColourMask;
        } else {
            for (std::size_t i = 0; i < pixels; ++i) {
                const std::uint16_t c = pPicture[i] & kColourMask;
                pShown[i] = m_kinds[i] == kUnitChanged ? m_palette[std::size_t(m_sendIndex[c])] : c;
            }
        }
    }
    return true;
}

std::uint8_t* CScreenEncoder::WriteHeader(const Params& params, std::uint8_t* p) const {
    if (!params.bHeader) {
        *p++ = 0;
        return p;
    }
    *p++ = payload::kKindHeader;
    p = Put16(p, unsigned(params.nWidth));
    p = Put16(p, unsigned(params.nHeight));
    p = Put16(p, unsigned(params.nFormat));
    *p++ = 0;
    return p;
}

std::uint8_t* CScreenEncoder::WriteList(std::size_t units, std::uint8_t* p) {
    std::uint8_t* end = nullptr;
    std::size_t runs = WriteRunList(m_data.data(), m_kinds.data(), units, 4, p, &end);
    if (runs > kMaxRunCount) {
        // Fewer, longer runs: with skips and repeats of at least minRun units
        // there are fewer than 2 x units / minRun + units / 16383 + 2 runs.
        const std::size_t minRun = units / 30000 + 5;
        runs = WriteRunList(m_data.data(), m_kinds.data(), units, minRun, p, &end);
    }
    m_nLastRuns += runs;
    return runs > kMaxRunCount ? nullptr : end;
}

bool CScreenEncoder::EncodeDirect12(const std::uint16_t* pic, const std::uint16_t* prev,
                                    std::size_t pixels, std::uint8_t*& p) {
    m_nLastRuns = 0;
    std::uint8_t* data = m_data.data();
    std::uint8_t* kinds = m_kinds.data();

    // Green and blue, one unit a pixel: the low byte of 0x0RGB is G << 4 | B.
    for (std::size_t i = 0; i < pixels; ++i) {
        const std::uint8_t d = std::uint8_t(pic[i]);
        data[i] = d;
        kinds[i] = prev && std::uint8_t(prev[i]) == d ? kUnitSame : kUnitChanged;
    }
    std::uint8_t* end = WriteList(pixels, p);
    if (!end)
        return false;
    p = end;

    // Red, one unit a pair of pixels; an odd last pixel forms a pair alone
    // with 0 in the low half. A pair is unchanged only if both reds are.
    const std::size_t pairs = (pixels + 1) / 2;
    const std::size_t whole = pixels / 2;
    auto red = [](const std::uint16_t* pair) {
        return std::uint8_t(((pair[0] >> 4) & 0xF0) | ((pair[1] >> 8) & 0x0F));
    };
    for (std::size_t k = 0; k < whole; ++k) {
        const std::uint8_t d = red(pic + 2 * k);
        data[k] = d;
        kinds[k] = prev && red(prev + 2 * k) == d ? kUnitSame : kUnitChanged;
    }
    if (pairs > whole) {
        const std::uint8_t d = std::uint8_t((pic[pixels - 1] >> 4) & 0xF0);
        data[whole] = d;
        kinds[whole] =
            prev && std::uint8_t((prev[pixels - 1] >> 4) & 0xF0) == d ? kUnitSame : kUnitChanged;
    }
    end = WriteList(pairs, p);
    if (!end)
        return false;
    p = end;
    return true;
}

bool CScreenEncoder::EncodeIndexed8(const std::uint16_t* pic, const std::uint16_t* prev,
                                    std::size_t pixels, std::uint8_t*& p) {
    m_nLastRuns = 0;
    BuildPalette(pic, prev, pixels);
    p = Put16(p, unsigned(m_nPaletteSize));
    for (std::size_t i = 0; i < m_nPaletteSize; ++i)
        p = Put16(p, m_palette[i]);

    std::uint8_t* data = m_data.data();
    std::uint8_t* kinds = m_kinds.data();
    for (std::size_t i = 0; i < pixels; ++i) {
        const std::uint16_t c = pic[i] & kColourMask;
        if (!prev || c != (prev[i] & kColourMask)) {
            data[i] = std::uint8_t(m_sendIndex[c]);
            kinds[i] = kUnitChanged;
        } else if (m_exactIndex[c] >= 0) {
            // Unchanged, and its colour is in this palette: may be rewritten.
            data[i] = std::uint8_t(m_exactIndex[c]);
            kinds[i] = kUnitSame;
        } else {
            data[i] = 0;
            kinds[i] = kUnitKeep;
        }
    }
    std::uint8_t* end = WriteList(pixels, p);
    if (!end)
        return false;
    p = end;
    return true;
}

void CScreenEncoder::BuildPalette(const std::uint16_t* pic, const std::uint16_t* prev,
                                  std::size_t pixels) {
    CountChangedColours(pic, prev, pixels);
    m_sendIndex.fill(-1);
    m_exactIndex.fill(-1);
    m_bReduced = m_colours.size() > m_palette.size();
    if (m_bReduced) {
        // The most frequent colours make the palette; the rest are sent as
        // their nearest palette colour.
        std::sort(m_colours.begin(), m_colours.end(), [&](std::uint16_t a, std::uint16_t b) {
            return m_histogram[a] != m_histogram[b] ? m_histogram[a] > m_histogram[b] : a < b;
        });
    }
    m_nPaletteSize = std::min(m_colours.size(), m_palette.size());
    for (std::size_t i = 0; i < m_nPaletteSize; ++i) {
        m_palette[i] = m_colours[i];
        m_sendIndex[m_colours[i]] = std::int16_t(i);
        m_exactIndex[m_colours[i]] = std::int16_t(i);
    }
    if (m_bReduced) {
        const NearestColour nearest(m_palette.data(), m_nPaletteSize);
        for (std::size_t k = m_nPaletteSize; k < m_colours.size(); ++k)
            m_sendIndex[m_colours[k]] = std::int16_t(nearest.Find(m_colours[k]));
    }
    for (std::uint16_t c : m_colours)
        m_histogram[c] = 0;
}

// Distinct colours of the changed pixels, in order of first appearance, with
// their counts in m_histogram.
void CScreenEncoder::CountChangedColours(const std::uint16_t* pic, const std::uint16_t* prev,
                                         std::size_t pixels) {
    m_colours.clear();
    m_colours.reserve(m_histogram.size());
    for (std::size_t i = 0; i < pixels; ++i) {
        const std::uint16_t c = pic[i] & kColourMask;
        if (prev && c == (prev[i] & kColourMask))
            continue;
        if (m_histogram[c]++ == 0)
            m_colours.push_back(c);
    }
}
