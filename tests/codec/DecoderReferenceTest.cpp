// The decoder against a plain reference decoder written straight from the
// payload rules (a top-down 24-bit picture, one pixel at a time), on random
// payloads of every kind: both formats, odd and even sizes, skip, literal and
// repeat runs, truncated and out-of-range payloads. Also the vector row
// expansion against the one-pixel-at-a-time version.
#include "codec/PaletteRuns.h"
#include "codec/PayloadFormat.h"
#include "codec/PlanarRows.h"
#include "codec/ScreenDecoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
using Result = CScreenDecoder::Result;
using payload::Expand4;

class CReferenceDecoder {
public:
    // Returns the number of payload bytes consumed.
    std::size_t Decode(const Bytes& b) {
        m_pos = 0;
        m_b = &b;
        std::uint8_t kind = 0;
        if (!Get8(kind))
            return Stop(Result::Truncated);
        if (kind == 1) {
            // The header is taken whole or not at all.
            if (b.size() - m_pos < 7)
                return Stop(Result::Truncated);
            unsigned w = 0, h = 0, f = 0;
            std::uint8_t reserved = 0;
            Get16(w), Get16(h), Get16(f), Get8(reserved);
            if (w == 0 || h == 0 || w > 2048 || h > 2048)
                return Stop(Result::BadSize);
            format = int(f);
            if (!picture.empty() ? (int(w) != width || int(h) != height) : true) {
                width = int(w);
                height = int(h);
                picture.assign(std::size_t(w) * h * 3, 0xFF);
            }
        }
        if (format != 8 && format != 12)
            return Stop(format == -1 ? Result::NoFormat
                        : kind == 1  ? Result::Ok
                                     : Result::UnknownFormat);
        if (picture.empty())
            return Stop(Result::NoBuffers);
        const std::size_t pixels = std::size_t(width) * height;
        if (format == 8) {
            unsigned count = 0;
            if (!Get16(count))
                return Stop(Result::Truncated);
            if (count > 256)
                return Stop(Result::OutOfRange);
            for (unsigned i = 0; i < count; ++i) {
                unsigned word = 0;
                if (!Get16(word))
                    return Stop(Result::Truncated);
                palette[i] = word & 0xFFF;
            }
            return Stop(Runs(pixels, [&](std::size_t p, std::uint8_t v) {
                const unsigned c = palette[v];
                Set(p, 0, c), Set(p, 1, c >> 4), Set(p, 2, c >> 8);
            }));
        }
        Result r =
            Runs(pixels, [&](std::size_t p, std::uint8_t v) { Set(p, 0, v), Set(p, 1, v >> 4); });
        if (r == Result::Ok)
            r = Runs((pixels + 1) / 2, [&](std::size_t u, std::uint8_t v) {
                Set(2 * u, 2, v >> 4);
                if (2 * u + 1 < pixels)
                    Set(2 * u + 1, 2, v);
            });
        return Stop(r);
    }

    Result result = Result::NoFormat;
    int width = 0, height = 0, format = -1;
    Bytes picture;
    unsigned palette[256] = {};

private:
    std::size_t Stop(Result r) {
        result = r;
        return m_pos;
    }
    void Set(std::size_t p, int comp, unsigned c) { picture[3 * p + comp] = Expand4(c); }
    bool Get8(std::uint8_t& v) {
        if (m_pos >= m_b->size())
            return false;
        v = (*m_b)[m_pos++];
        return true;
    }
    bool Get16(unsigned& v) {
        std::uint8_t hi = 0, lo = 0;
        if (m_b->size() - m_pos < 2)
            return false;
        Get8(hi), Get8(lo);
        v = unsigned(hi) << 8 | lo;
        return true;
    }
    template <class F> Result Runs(std::size_t units, F set) {
        unsigned count = 0;
        if (!Get16(count))
            return Result::Truncated;
        std::size_t pos = 0;
        for (unsigned r = 0; r < count; ++r) {
            unsigned word = 0;
            if (!Get16(word))
                return Result::Truncated;
            const std::size_t n = word & 0x3FFF;
            if (word & 0x8000) {
                if (pos + n > units)
                    return Result::OutOfRange;
                pos += n;
                continue;
            }
            const bool literal = word & 0x4000;
            const std::size_t start = m_pos;
            if (m_b->size() - m_pos < (literal ? n : 1))
                return Result::Truncated;
            m_pos += literal ? n : 1;
            if (pos + n > units)
                return Result::OutOfRange;
            for (std::size_t k = 0; k < n; ++k)
                set(pos + k, (*m_b)[start + (literal ? k : 0)]);
            pos += n;
        }
        return Result::Ok;
    }
    const Bytes* m_b = nullptr;
    std::size_t m_pos = 0;
};

void Put16(Bytes& b, unsigned v) {
    b.push_back(std::uint8_t(v >> 8));
    b.push_back(std::uint8_t(v));
}

// A run list over `units` units; mostly within range, sometimes not.
void RandomRuns(Bytes& b, std::size_t units, std::mt19937& rng) {
    const unsigned runs = rng() % 12;
    Put16(b, runs);
    std::size_t pos = 0;
    for (unsigned r = 0; r < runs; ++r) {
        const std::size_t left = units > pos ? units - pos : 0;
        std::size_t n = rng() % 8 == 0 ? rng() % 16384 : (left ? rng() % (left + 1) : 0);
        n = std::min<std::size_t>(n, 16383);
        const unsigned kind = rng() % 3;
        Put16(b, (kind == 0 ? 0x8000u : kind == 1 ? 0x4000u : 0u) | unsigned(n));
        if (kind == 1)
            for (std::size_t k = 0; k < n; ++k)
                b.push_back(std::uint8_t(rng()));
        else if (kind == 2)
            b.push_back(std::uint8_t(rng()));
        pos += n;
    }
}

Bytes RandomPayload(std::mt19937& rng, int& w, int& h, int& format) {
    Bytes b;
    const bool header = rng() % 3 != 0;
    b.push_back(header ? 1 : std::uint8_t(rng() % 4 == 0 ? 7 : 0));
    if (header) {
        if (rng() % 4 == 0) {
            static const int sizes[][2] = {{176, 208}, {208, 320}, {7, 5}, {33, 3}, {1, 1}};
            const auto& s = sizes[rng() % 5];
            w = s[0], h = s[1];
        }
        format = rng() % 10 == 0 ? 16 : (rng() % 2 ? 8 : 12);
        Put16(b, unsigned(w));
        Put16(b, unsigned(h));
        Put16(b, unsigned(format));
        b.push_back(0);
    }
    const std::size_t pixels = std::size_t(w) * h;
    if (format == 8) {
        const unsigned count = rng() % 20 == 0 ? 300 : rng() % 257;
        Put16(b, count);
        for (unsigned i = 0; i < count; ++i)
            Put16(b, rng() & 0xFFFF);
        RandomRuns(b, pixels, rng);
    } else {
        RandomRuns(b, pixels, rng);
        RandomRuns(b, (pixels + 1) / 2, rng);
    }
    if (rng() % 6 == 0)
        b.resize(rng() % (b.size() + 1)); // cut anywhere
    return b;
}

TEST(DecoderAgainstReference, RandomPayloadsGiveTheSamePictures) {
    std::mt19937 rng(20240607);
    for (int connection = 0; connection < 40; ++connection) {
        CScreenDecoder dec;
        CReferenceDecoder ref;
        int w = 176, h = 208, format = 12;
        for (int payload = 0; payload < 30; ++payload) {
            const Bytes b = RandomPayload(rng, w, h, format);
            if (rng() % 25 == 0) { // the view's reset
                dec.FreeBuffers();
                ref.picture.clear();
            }
            const std::size_t used = std::size_t(dec.DecodeScreen(b.data(), b.size()) - b.data());
            const std::size_t refUsed = ref.Decode(b);
            SCOPED_TRACE(testing::Message()
                         << "connection " << connection << " payload " << payload);
            ASSERT_EQ(dec.LastResult(), ref.result);
            ASSERT_EQ(used, refUsed);
            ASSERT_EQ(dec.HasPicture(), !ref.picture.empty());
            if (!dec.HasPicture())
                continue;
            const int pw = dec.PictureWidth(), ph = dec.PictureHeight();
            ASSERT_EQ(pw, ref.width);
            ASSERT_EQ(ph, ref.height);
            const std::size_t row = std::size_t(pw) * 3, stride = lumetto::DibRowStride(pw);
            // Top row first, then the white slack row.
            Bytes expectTop = ref.picture;
            expectTop.resize(row * (ph + 1), 0xFF);
            ASSERT_EQ(Bytes(dec.DecodeBits(), dec.DecodeBits() + expectTop.size()), expectTop);
            // Bottom row first with padded rows; padding and slack row white.
            Bytes expectDib(lumetto::ScreenImageSize(pw, ph), 0xFF);
            for (int y = 0; y < ph; ++y)
                std::memcpy(&expectDib[stride * (ph - 1 - y)], &ref.picture[row * y], row);
            ASSERT_EQ(Bytes(dec.ScreenBits(), dec.ScreenBits() + expectDib.size()), expectDib);
        }
    }
}

TEST(PlanarRows, VectorExpansionMatchesOnePixelAtATime) {
    std::mt19937 rng(7);
    Bytes gb(1200), red(600);
    for (auto& v : gb)
        v = std::uint8_t(rng());
    for (auto& v : red)
        v = std::uint8_t(rng());
    for (std::size_t n : {0, 1, 2, 15, 16, 17, 31, 32, 33, 63, 64, 100, 176, 208, 1000})
        for (std::size_t start : {0, 1, 2, 3, 17}) {
            const bool odd = start & 1;
            Bytes fast(3 * n + 8, 0xA5), slow(3 * n + 8, 0xA5);
            lumetto::ExpandPlanarRow(&gb[start], &red[start / 2], odd, n, fast.data());
            lumetto::ExpandPlanarRowScalar(&gb[start], &red[start / 2], odd, n, slow.data());
            ASSERT_EQ(fast, slow) << "n " << n << " start " << start << " kernel "
                                  << lumetto::PlanarRowKernel();
        }
}

TEST(PaletteRuns, VectorLookupMatchesOnePairAtATime) {
    std::mt19937 rng(11);
    lumetto::PlanarPalette pal{};
    for (int i = 0; i < 256; ++i) {
        pal.greenBlue[i] = std::uint8_t(rng());
        pal.red[i] = std::uint8_t(rng() & 0xF);
    }
    Bytes idx(700);
    for (auto& v : idx)
        v = std::uint8_t(rng());
    for (std::size_t n : {0, 2, 62, 64, 66, 128, 190, 640})
        for (std::size_t start : {0, 2, 5}) {
            Bytes gbFast(n + 4, 0x5A), gbSlow(gbFast), redFast(n / 2 + 4, 0x5A), redSlow(redFast);
            lumetto::ApplyPaletteRun(pal, &idx[start], n, gbFast.data(), redFast.data());
            lumetto::ApplyPaletteRunScalar(pal, &idx[start], n, gbSlow.data(), redSlow.data());
            ASSERT_EQ(gbFast, gbSlow) << "n " << n << " start " << start;
            ASSERT_EQ(redFast, redSlow) << "n " << n << " start " << start;
        }
}

} // namespace
