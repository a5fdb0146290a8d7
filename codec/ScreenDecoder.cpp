#include "codec/ScreenDecoder.h"

#include "codec/PlanarRows.h"

#include <algorithm>
#include <cstring>
#include <utility>

using payload::Expand4;

// A reading position inside one payload that never passes the payload's end.
class CScreenDecoder::Cursor {
public:
    Cursor(const std::uint8_t* p, std::size_t n) : m_p(p), m_end(p + n) {}

    bool Get8(std::uint8_t& v) {
        if (m_p == m_end)
            return false;
        v = *m_p++;
        return true;
    }
    bool Get16(unsigned& v) {
        if (m_end - m_p < 2)
            return false;
        v = (unsigned(m_p[0]) << 8) | m_p[1];
        m_p += 2;
        return true;
    }
    // Hands out n bytes in place, or fails when fewer are left.
    bool Take(std::size_t n, const std::uint8_t*& data) {
        if (static_cast<std::size_t>(m_end - m_p) < n)
            return false;
        data = m_p;
        m_p += n;
        return true;
    }
    const std::uint8_t* Pos() const { return m_p; }

private:
    const std::uint8_t* m_p;
    const std::uint8_t* m_end;
};

namespace {

using Result = CScreenDecoder::Result;

// Run control word (PayloadFormat.h).
constexpr unsigned kSkipBit = payload::kRunSkip;
constexpr unsigned kLiteralBit = payload::kRunLiteral;
constexpr unsigned kLengthMask = payload::kRunLengthMask;

// Runs one run list over `units` units: literal(unit, data, n) writes n units
// from n data bytes, repeat(unit, value, n) writes one value to n units. A run
// that would pass the last unit stops the list unapplied.
template <class Cursor, class Literal, class Repeat>
Result RunList(Cursor& cur, std::size_t units, Literal literal, Repeat repeat) {
    unsigned count = 0;
    if (!cur.Get16(count))
        return Result::Truncated;
    std::size_t pos = 0;
    for (unsigned r = 0; r < count; ++r) {
        unsigned word = 0;
        if (!cur.Get16(word))
            return Result::Truncated;
        const std::size_t n = word & kLengthMask;
        if (word & kSkipBit) {
            if (n > units - pos)
                return Result::OutOfRange;
            pos += n;
            continue;
        }
        const bool isLiteral = word & kLiteralBit;
        const std::uint8_t* data = nullptr;
        if (!cur.Take(isLiteral ? n : 1, data))
            return Result::Truncated;
        if (n > units - pos)
            return Result::OutOfRange;
        if (n != 0) {
            if (isLiteral)
                literal(pos, data, n);
            else
                repeat(pos, *data, n);
        }
        pos += n;
    }
    return Result::Ok;
}

} // namespace

CScreenDecoder::CScreenDecoder(IScreenPlatformHost* pHost) : m_pHost(pHost) {}

const std::uint8_t* CScreenDecoder::DecodeScreen(const std::uint8_t* pPayload,
                                                 std::size_t nLength) {
    const bool bResuming = std::exchange(m_bResuming, false);
    const std::uint8_t* pEnd = Decode(pPayload, nLength, bResuming);
    // After a reset the kept picture is trusted only when the payload fitted
    // it exactly: a part-applied one would show a mixture.
    if (bResuming && m_eLastResult != Result::Ok)
        FreeBuffers();
    if (HasPicture())
        m_screen.Publish(m_nChangedFirst, m_nChangedFirst + m_nChangedCount, m_nFormat);
    return pEnd;
}

const std::uint8_t* CScreenDecoder::Decode(const std::uint8_t* pPayload, std::size_t nLength,
                                           bool bFresh) {
    Cursor cur(pPayload, nLength);
    m_nChangedFirst = m_nChangedCount = 0;
    std::uint8_t kind = 0;
    if (!cur.Get8(kind)) {
        m_eLastResult = Result::Truncated;
        return cur.Pos();
    }
    if (kind == payload::kKindHeader) {
        const std::uint8_t* h = nullptr;
        if (!cur.Take(payload::kHeaderSize - 1, h)) {
            m_eLastResult = Result::Truncated;
            return cur.Pos();
        }
        const int width = (h[0] << 8) | h[1];
        const int height = (h[2] << 8) | h[3];
        const int format = (h[4] << 8) | h[5];
        // h[6] is reserved.
        if (width == 0 || height == 0 || width > lumetto::kMaxScreenSide ||
            height > lumetto::kMaxScreenSide) {
            m_eLastResult = Result::BadSize;
            return cur.Pos();
        }
        m_nFormat = format;
        if (width != m_nWidth || height != m_nHeight) {
            m_nWidth = width;
            m_nHeight = height;
            ChoosePlatform(width, height);
        }
        // New white pictures when none exist or when they were made for
        // another size (a delta on a picture of another shape is meaningless).
        if (bFresh || !HasPicture() || width != m_nBufWidth || height != m_nBufHeight)
            AllocateBuffers(width, height);
    }

    if (m_nFormat != payload::kFormatIndexed8 && m_nFormat != payload::kFormatDirect12) {
        m_eLastResult = m_nFormat == -1                ? Result::NoFormat
                        : kind == payload::kKindHeader ? Result::Ok
                                                       : Result::UnknownFormat;
        return cur.Pos();
    }
    if (!HasPicture()) {
        m_eLastResult = Result::NoBuffers;
        return cur.Pos();
    }
    if (m_nFormat == payload::kFormatIndexed8)
        DecodeIndexed8(cur);
    else
        DecodeDirect12(cur);
    return cur.Pos();
}

void CScreenDecoder::ChoosePlatform(int nWidth, int nHeight) {
    if (!m_pHost)
        return;
    const int current = m_pHost->CurrentPlatform();
    if ((nWidth == lumetto::kUIQWidth || nHeight == lumetto::kUIQHeight) &&
        current != lumetto::kPlatformUIQ)
        m_pHost->SwitchPlatform(lumetto::kPlatformUIQ);
    else if ((nWidth == lumetto::kS60Width || nHeight == lumetto::kS60Width) &&
             current != lumetto::kPlatformS60)
        m_pHost->SwitchPlatform(lumetto::kPlatformS60);
}

void CScreenDecoder::AllocateBuffers(int nWidth, int nHeight) {
    m_nBufWidth = nWidth;
    m_nBufHeight = nHeight;
    const std::size_t pixels = std::size_t(nWidth) * std::size_t(nHeight);
    // White: every component 0xF.
    m_greenBlue.assign(pixels, 0xFF);
    m_red.assign((pixels + 1) / 2, 0xFF);
    m_screen.NewPicture(nWidth, nHeight);
    std::vector<std::uint8_t>().swap(m_pDecodeBuf);
    m_bDecodeBufStale = true;
    // A new picture: every row is new to whoever shows it.
    m_nChangedFirst = 0;
    m_nChangedCount = nHeight;
}

void CScreenDecoder::FreeBuffers() {
    // Give the memory back: a reset ends the connection's picture.
    std::vector<std::uint8_t>().swap(m_greenBlue);
    std::vector<std::uint8_t>().swap(m_red);
    std::vector<std::uint8_t>().swap(m_pDecodeBuf);
    m_screen.Clear();
    m_bDecodeBufStale = true;
    m_bResuming = false;
    m_nBufWidth = 0;
    m_nBufHeight = 0;
    m_nChangedFirst = m_nChangedCount = 0;
}

void CScreenDecoder::Touch(std::size_t nFirstPixel, std::size_t nPixels) {
    if (m_nTouchedBegin == m_nTouchedEnd) {
        m_nTouchedBegin = nFirstPixel;
        m_nTouchedEnd = nFirstPixel + nPixels;
        return;
    }
    m_nTouchedBegin = std::min(m_nTouchedBegin, nFirstPixel);
    m_nTouchedEnd = std::max(m_nTouchedEnd, nFirstPixel + nPixels);
}

void CScreenDecoder::SetRed(std::size_t p, unsigned nRed) {
    std::uint8_t& pair = m_red[p >> 1];
    pair = (p & 1) ? std::uint8_t((pair & 0xF0) | nRed) : std::uint8_t((pair & 0x0F) | nRed << 4);
}

void CScreenDecoder::FillRed(std::size_t p, std::size_t n, unsigned nRed) {
    if (n != 0 && (p & 1)) {
        SetRed(p++, nRed);
        --n;
    }
    std::memset(m_red.data() + (p >> 1), int(nRed * 0x11), n >> 1);
    if (n & 1)
        SetRed(p + n - 1, nRed);
}

bool CScreenDecoder::DecodeIndexed8(Cursor& cur) {
    m_eLastResult = Result::Ok;
    unsigned count = 0;
    if (!cur.Get16(count)) {
        m_eLastResult = Result::Truncated;
    } else if (count > 256) {
        m_eLastResult = Result::OutOfRange;
    } else {
        for (unsigned i = 0; i < count; ++i) {
            unsigned word = 0;
            if (!cur.Get16(word)) {
                m_eLastResult = Result::Truncated;
                break;
            }
            m_palette[3 * i] = Expand4(word >> 8);
            m_palette[3 * i + 1] = Expand4(word >> 4);
            m_palette[3 * i + 2] = Expand4(word);
            m_planarPalette.greenBlue[i] = static_cast<std::uint8_t>(word);
            m_planarPalette.red[i] = static_cast<std::uint8_t>(word >> 8 & 0xF);
        }
    }
    if (m_eLastResult == Result::Ok) {
        std::uint8_t* gb = m_greenBlue.data();
        const lumetto::PlanarPalette& pal = m_planarPalette;
        const std::size_t pixels = std::size_t(m_nBufWidth) * std::size_t(m_nBufHeight);
        m_eLastResult = RunList(
            cur, pixels,
            [&](std::size_t p, const std::uint8_t* d, std::size_t n) {
                Touch(p, n);
                std::size_t k = 0;
                if (p & 1) { // the second pixel of a pair first
                    gb[p] = pal.greenBlue[d[0]];
                    SetRed(p, pal.red[d[0]]);
                    k = 1;
                }
                // Whole pairs: both reds in one byte.
                const std::size_t pairs = (n - k) & ~std::size_t(1);
                lumetto::ApplyPaletteRun(pal, d + k, pairs, gb + p + k,
                                         m_red.data() + ((p + k) >> 1));
                k += pairs;
                if (k < n) {
                    gb[p + k] = pal.greenBlue[d[k]];
                    SetRed(p + k, pal.red[d[k]]);
                }
            },
            [&](std::size_t p, std::uint8_t v, std::size_t n) {
                Touch(p, n);
                std::memset(gb + p, pal.greenBlue[v], n);
                FillRed(p, n, pal.red[v]);
            });
    }
    RowCopy();
    return m_eLastResult == Result::Ok;
}

bool CScreenDecoder::DecodeDirect12(Cursor& cur) {
    std::uint8_t* gb = m_greenBlue.data();
    const std::size_t pixels = std::size_t(m_nBufWidth) * std::size_t(m_nBufHeight);
    // Green and blue, one unit per pixel: the plane holds the data bytes as sent.
    m_eLastResult = RunList(
        cur, pixels,
        [&](std::size_t p, const std::uint8_t* d, std::size_t n) {
            Touch(p, n);
            std::memcpy(gb + p, d, n);
        },
        [&](std::size_t p, std::uint8_t v, std::size_t n) {
            Touch(p, n);
            std::memset(gb + p, v, n);
        });
    // Red, one unit per pair of pixels; an odd last pixel forms a pair alone
    // (the low half of its byte is never shown).
    if (m_eLastResult == Result::Ok) {
        std::uint8_t* red = m_red.data();
        auto touchPairs = [&](std::size_t u, std::size_t n) {
            Touch(2 * u, std::min(2 * (u + n), pixels) - 2 * u);
        };
        m_eLastResult = RunList(
            cur, (pixels + 1) / 2,
            [&](std::size_t u, const std::uint8_t* d, std::size_t n) {
                touchPairs(u, n);
                std::memcpy(red + u, d, n);
            },
            [&](std::size_t u, std::uint8_t v, std::size_t n) {
                touchPairs(u, n);
                std::memset(red + u, v, n);
            });
    }
    RowCopy();
    return m_eLastResult == Result::Ok;
}

void CScreenDecoder::RowCopy() {
    // Only the rows the payload changed; the others hold what they showed.
    const std::size_t width = std::size_t(m_nBufWidth);
    if (m_nTouchedBegin < m_nTouchedEnd) {
        const std::size_t first = m_nTouchedBegin / width;
        const std::size_t last = (m_nTouchedEnd - 1) / width;
        const std::size_t stride = lumetto::DibRowStride(m_nBufWidth);
        std::uint8_t* dst =
            m_screen.MutablePicture()->Bits() + stride * (std::size_t(m_nBufHeight) - 1 - first);
        for (std::size_t y = first; y <= last; ++y, dst -= stride) {
            const std::size_t p = y * width;
            lumetto::ExpandPlanarRow(m_greenBlue.data() + p, m_red.data() + p / 2, p & 1, width,
                                     dst);
        }
        if (m_nChangedCount == 0) {
            m_nChangedFirst = int(first);
            m_nChangedCount = int(last - first + 1);
        } // else the picture is new: all its rows count as changed already
        m_bDecodeBufStale = true;
    }
    m_nTouchedBegin = m_nTouchedEnd = 0;
}

const std::uint8_t* CScreenDecoder::DecodeBits() const {
    if (!HasPicture())
        return nullptr;
    if (m_bDecodeBufStale || m_pDecodeBuf.empty()) {
        // Top row first, without row padding: the screen picture's rows in
        // reverse order, then the white slack row.
        const std::size_t row = std::size_t(m_nBufWidth) * 3;
        const std::size_t stride = lumetto::DibRowStride(m_nBufWidth);
        m_pDecodeBuf.resize(row * std::size_t(m_nBufHeight + 1));
        const std::uint8_t* src = ScreenBits() + stride * std::size_t(m_nBufHeight - 1);
        std::uint8_t* dst = m_pDecodeBuf.data();
        for (int i = 0; i < m_nBufHeight; ++i, src -= stride, dst += row)
            std::memcpy(dst, src, row);
        std::memset(dst, 0xFF, row);
        m_bDecodeBufStale = false;
    }
    return m_pDecodeBuf.data();
}

const char* ToString(CScreenDecoder::Result r) {
    switch (r) {
    case Result::Ok:
        return "ok";
    case Result::NoFormat:
        return "no header yet";
    case Result::NoBuffers:
        return "no picture";
    case Result::BadSize:
        return "bad screen size";
    case Result::UnknownFormat:
        return "unknown colour format";
    case Result::Truncated:
        return "truncated";
    case Result::OutOfRange:
        return "out of range";
    }
    return "?";
}
