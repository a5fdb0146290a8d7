#include "codec/ScreenDecoder.h"

#include <cstring>

using lumetto::Expand4;

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

// Run control word: bit 15 skip, else bit 14 literal, else repeat; bits 13-0 n.
constexpr unsigned kSkipBit = 0x8000;
constexpr unsigned kLiteralBit = 0x4000;
constexpr unsigned kLengthMask = 0x3FFF;

// Runs one run list over `units` units. `apply(unit, data, n, stride)` writes n
// units from `data`, advancing `stride` (1 for a literal, 0 for a repeat) bytes
// per unit. A run that would pass the last unit stops the list unapplied.
template <class Cursor, class Apply> Result RunList(Cursor& cur, std::size_t units, Apply apply) {
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
        const bool literal = word & kLiteralBit;
        const std::uint8_t* data = nullptr;
        if (!cur.Take(literal ? n : 1, data))
            return Result::Truncated;
        if (n > units - pos)
            return Result::OutOfRange;
        if (n != 0)
            apply(pos, data, n, literal ? 1u : 0u);
        pos += n;
    }
    return Result::Ok;
}

} // namespace

CScreenDecoder::CScreenDecoder(IScreenPlatformHost* pHost) : m_pHost(pHost) {}

const std::uint8_t* CScreenDecoder::DecodeScreen(const std::uint8_t* pPayload,
                                                 std::size_t nLength) {
    Cursor cur(pPayload, nLength);
    std::uint8_t kind = 0;
    if (!cur.Get8(kind)) {
        m_eLastResult = Result::Truncated;
        return cur.Pos();
    }
    if (kind == 1) {
        const std::uint8_t* h = nullptr;
        if (!cur.Take(7, h)) {
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
        if (!HasPicture() || width != m_nBufWidth || height != m_nBufHeight)
            AllocateBuffers(width, height);
    }

    if (m_nFormat != lumetto::kFormatIndexed8 && m_nFormat != lumetto::kFormatDirect12) {
        m_eLastResult = m_nFormat == -1 ? Result::NoFormat
                        : kind == 1     ? Result::Ok
                                        : Result::UnknownFormat;
        return cur.Pos();
    }
    if (!HasPicture()) {
        m_eLastResult = Result::NoBuffers;
        return cur.Pos();
    }
    if (m_nFormat == lumetto::kFormatIndexed8)
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
    m_pDecodeBuf.assign(static_cast<std::size_t>(nWidth) * 3 * (nHeight + 1), 0xFF);
    m_pScreenBits.assign(lumetto::ScreenImageSize(nWidth, nHeight), 0xFF);
}

void CScreenDecoder::FreeBuffers() {
    // Give the memory back: a reset ends the connection's picture.
    std::vector<std::uint8_t>().swap(m_pDecodeBuf);
    std::vector<std::uint8_t>().swap(m_pScreenBits);
    m_nBufWidth = 0;
    m_nBufHeight = 0;
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
            m_pPalette[3 * i] = Expand4(word >> 8);
            m_pPalette[3 * i + 1] = Expand4(word >> 4);
            m_pPalette[3 * i + 2] = Expand4(word);
        }
    }
    if (m_eLastResult == Result::Ok) {
        std::uint8_t* buf = m_pDecodeBuf.data();
        const std::uint8_t* pal = m_pPalette.data();
        const std::size_t pixels = std::size_t(m_nBufWidth) * m_nBufHeight;
        m_eLastResult = RunList(
            cur, pixels, [&](std::size_t p, const std::uint8_t* d, std::size_t n, unsigned step) {
                std::uint8_t* o = buf + 3 * p;
                for (std::size_t k = 0; k < n; ++k, d += step, o += 3) {
                    const std::uint8_t* c = pal + 3 * *d;
                    o[0] = c[2];
                    o[1] = c[1];
                    o[2] = c[0];
                }
            });
    }
    RowCopy();
    return m_eLastResult == Result::Ok;
}

bool CScreenDecoder::DecodeDirect12(Cursor& cur) {
    std::uint8_t* buf = m_pDecodeBuf.data();
    const std::size_t pixels = std::size_t(m_nBufWidth) * m_nBufHeight;
    // Green and blue, one unit per pixel.
    m_eLastResult = RunList(
        cur, pixels, [&](std::size_t p, const std::uint8_t* d, std::size_t n, unsigned step) {
            std::uint8_t* o = buf + 3 * p;
            for (std::size_t k = 0; k < n; ++k, d += step, o += 3) {
                o[0] = Expand4(*d);
                o[1] = Expand4(*d >> 4);
            }
        });
    // Red, one unit per pair of pixels; an odd last pixel forms a pair alone.
    if (m_eLastResult == Result::Ok) {
        m_eLastResult =
            RunList(cur, (pixels + 1) / 2,
                    [&](std::size_t u, const std::uint8_t* d, std::size_t n, unsigned step) {
                        std::size_t k = 0;
                        std::uint8_t* o = buf + 6 * u + 2;
                        const std::size_t whole = (u + n) * 2 <= pixels ? n : n - 1;
                        for (; k < whole; ++k, d += step, o += 6) {
                            o[0] = Expand4(*d >> 4);
                            o[3] = Expand4(*d);
                        }
                        if (k < n)
                            o[0] = Expand4(*d >> 4);
                    });
    }
    RowCopy();
    return m_eLastResult == Result::Ok;
}

void CScreenDecoder::RowCopy() {
    const std::size_t row = std::size_t(m_nBufWidth) * 3;
    const std::size_t stride = lumetto::DibRowStride(m_nBufWidth);
    const std::uint8_t* src = m_pDecodeBuf.data();
    std::uint8_t* dst = m_pScreenBits.data() + stride * (m_nBufHeight - 1);
    for (int i = 0; i < m_nBufHeight; ++i, src += row, dst -= stride)
        std::memcpy(dst, src, row);
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
