#include "codec/ScreenEncoder.h"
#include "codec/ScreenDecoder.h"
#include "tests/codec/CodecTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>

using namespace codectest;

namespace {

// What a payload's run lists hold, read independently of the decoder.
struct ListStats {
    std::size_t runs = 0, skips = 0, repeats = 0, literals = 0, emptyRuns = 0;
    std::size_t units = 0; // units the runs reach, skips included
};
struct BodyStats {
    bool wellFormed = false;
    std::size_t palette = 0;
    std::vector<ListStats> lists;
};

BodyStats ReadBody(const std::vector<std::uint8_t>& payload, int format) {
    BodyStats s;
    std::size_t pos = payload.at(0) == 1 ? 8 : 1;
    auto get16 = [&](unsigned& v) {
        if (pos + 2 > payload.size())
            return false;
        v = unsigned(payload[pos] << 8) | payload[pos + 1];
        pos += 2;
        return true;
    };
    unsigned v = 0;
    if (format == 8) {
        if (!get16(v))
            return s;
        s.palette = v;
        pos += 2 * v;
    }
    for (int list = 0; list < (format == 8 ? 1 : 2); ++list) {
        ListStats l;
        unsigned count = 0;
        if (!get16(count))
            return s;
        for (unsigned r = 0; r < count; ++r) {
            unsigned w = 0;
            if (!get16(w))
                return s;
            const std::size_t n = w & 0x3FFF;
            ++l.runs;
            l.units += n;
            l.emptyRuns += n == 0;
            if (w & 0x8000) {
                ++l.skips;
            } else if (w & 0x4000) {
                ++l.literals;
                pos += n;
            } else {
                ++l.repeats;
                pos += 1;
            }
        }
        s.lists.push_back(l);
    }
    s.wellFormed = pos == payload.size();
    return s;
}

using Rng = std::mt19937;

std::uint16_t RandomColour(Rng& rng, unsigned colours) {
    // `colours` distinct colours spread over the 12-bit cube.
    const unsigned k = std::uniform_int_distribution<unsigned>(0, colours - 1)(rng);
    return std::uint16_t((k * 2654435761u >> 7) & 0xFFF);
}

// Each scene turns the previous picture into the next one.
using Change = std::function<void(Picture&, int w, int h, Rng&)>;

void Noise(Picture& p, unsigned colours, Rng& rng) {
    for (auto& c : p)
        c = RandomColour(rng, colours);
}

void Rectangles(Picture& p, int w, int h, Rng& rng, int count, unsigned colours) {
    for (int r = 0; r < count; ++r) {
        const int x0 = std::uniform_int_distribution<int>(0, w - 1)(rng);
        const int y0 = std::uniform_int_distribution<int>(0, h - 1)(rng);
        const int x1 = std::uniform_int_distribution<int>(x0, w - 1)(rng);
        const int y1 = std::uniform_int_distribution<int>(y0, h - 1)(rng);
        const std::uint16_t c = RandomColour(rng, colours);
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                p[std::size_t(y) * w + x] = c;
    }
}

void Sprinkle(Picture& p, Rng& rng, int count, unsigned colours) {
    for (int i = 0; i < count; ++i)
        p[std::uniform_int_distribution<std::size_t>(0, p.size() - 1)(rng)] =
            RandomColour(rng, colours);
}

struct Scene {
    const char* name;
    Change first;  // makes the first picture (from white)
    Change change; // makes each following picture
};

const Scene kScenes[] = {
    {"full noise, many colours", [](Picture& p, int, int, Rng& r) { Noise(p, 4096, r); },
     [](Picture& p, int, int, Rng& r) { Noise(p, 4096, r); }},
    {"full noise, few colours", [](Picture& p, int, int, Rng& r) { Noise(p, 6, r); },
     [](Picture& p, int, int, Rng& r) { Noise(p, 6, r); }},
    {"sparse changes", [](Picture& p, int, int, Rng& r) { Noise(p, 200, r); },
     [](Picture& p, int, int, Rng& r) { Sprinkle(p, r, 40, 4096); }},
    {"equal-colour areas",
     [](Picture& p, int w, int h, Rng& r) { Rectangles(p, w, h, r, 30, 300); },
     [](Picture& p, int w, int h, Rng& r) { Rectangles(p, w, h, r, 6, 300); }},
    {"long runs and one pixel",
     [](Picture& p, int, int, Rng&) { std::fill(p.begin(), p.end(), std::uint16_t(0x123)); },
     [](Picture& p, int, int, Rng& r) {
         Sprinkle(p, r, 1, 4096);
         if (r() % 2)
             std::fill(p.begin() + p.size() / 3, p.end(), std::uint16_t(r() & 0xFFF));
     }},
    {"every other pixel changes", [](Picture& p, int, int, Rng& r) { Noise(p, 4096, r); },
     [](Picture& p, int, int, Rng& r) {
         const std::size_t phase = r() % 2;
         for (std::size_t i = phase; i < p.size(); i += 2)
             p[i] = RandomColour(r, 3);
     }},
};

struct Screen {
    int w, h;
};
const Screen kScreens[] = {{176, 208}, {208, 320}, {177, 13}};

// Encodes a sequence of pictures against what the receiver holds and checks
// that the decoder shows exactly what the encoder says it will.
TEST(ScreenEncoderRoundTrip, RandomScenesDecodeExactly) {
    for (const int format : {12, 8}) {
        for (const Screen& screen : kScreens) {
            for (const Scene& scene : kScenes) {
                SCOPED_TRACE(std::string(scene.name) + ", format " + std::to_string(format) + ", " +
                             std::to_string(screen.w) + "x" + std::to_string(screen.h));
                Rng rng(format * 1000 + screen.w);
                const std::size_t n = std::size_t(screen.w) * screen.h;
                Picture pic(n, 0xFFF), shown(n, 0xFFF);
                CScreenEncoder enc;
                CScreenDecoder dec;
                std::vector<std::uint8_t> payload;
                for (int frame = 0; frame < 4; ++frame) {
                    (frame == 0 ? scene.first : scene.change)(pic, screen.w, screen.h, rng);
                    CScreenEncoder::Params params{screen.w, screen.h, format, frame % 3 == 0};
                    // The first payload is coded without a previous picture.
                    ASSERT_TRUE(enc.Encode(pic.data(), frame == 0 ? nullptr : shown.data(), params,
                                           payload, shown.data()));
                    const std::uint8_t* end = dec.DecodeScreen(payload.data(), payload.size());
                    ASSERT_EQ(dec.LastResult(), CScreenDecoder::Result::Ok) << "frame " << frame;
                    EXPECT_EQ(end, payload.data() + payload.size()) << "frame " << frame;
                    ASSERT_EQ(DecodedPicture(dec), shown) << "frame " << frame;
                    if (format == 12 || !enc.LastReduced()) {
                        ASSERT_EQ(shown, pic) << "frame " << frame;
                    }

                    const BodyStats body = ReadBody(payload, format);
                    ASSERT_TRUE(body.wellFormed);
                    EXPECT_LE(body.palette, 256u);
                    std::size_t runs = 0;
                    for (const ListStats& l : body.lists) {
                        EXPECT_EQ(l.emptyRuns, 0u);
                        runs += l.runs;
                    }
                    EXPECT_EQ(runs, enc.LastRunCount());
                }
            }
        }
    }
}

// Run lists that would need more than 65535 runs are merged or recoded.
TEST(ScreenEncoderRoundTrip, TooManyRunsStillGiveAValidPayload) {
    struct Case {
        int format;
        std::size_t stride; // every stride-th pixel changes
        unsigned oldColours;
    };
    const Case cases[] = {
        {12, 5, 4096}, // skips of 4 between changes: merged into fewer runs
        {12, 2, 4096},
        {8, 2, 4096}, // unchanged pixels that are not in the palette must be skipped
        {8, 5, 8},
    };
    const int w = 1024, h = 1024;
    for (const Case& c : cases) {
        SCOPED_TRACE("format " + std::to_string(c.format) + " stride " + std::to_string(c.stride));
        Rng rng(7);
        Picture pic(std::size_t(w) * h), shown(pic.size());
        Noise(pic, c.oldColours, rng);
        CScreenEncoder enc;
        CScreenDecoder dec;
        std::vector<std::uint8_t> payload;
        ASSERT_TRUE(enc.Encode(pic.data(), nullptr, {w, h, c.format, true}, payload, shown.data()));
        dec.DecodeScreen(payload.data(), payload.size());
        ASSERT_EQ(dec.LastResult(), CScreenDecoder::Result::Ok);

        for (std::size_t i = 0; i < pic.size(); i += c.stride)
            pic[i] = std::uint16_t(0xF00 | (i / c.stride % 3));
        ASSERT_TRUE(
            enc.Encode(pic.data(), shown.data(), {w, h, c.format, false}, payload, shown.data()));
        const BodyStats body = ReadBody(payload, c.format);
        ASSERT_TRUE(body.wellFormed);
        for (const ListStats& l : body.lists)
            EXPECT_LE(l.runs, 65535u);
        dec.DecodeScreen(payload.data(), payload.size());
        ASSERT_EQ(dec.LastResult(), CScreenDecoder::Result::Ok);
        ASSERT_EQ(DecodedPicture(dec), shown);
    }
}

// Compactness: what typical updates cost.
TEST(ScreenEncoder, CodesOnlyWhatChangedAndSplitsLongRuns) {
    const int w = 176, h = 208;
    const std::size_t n = std::size_t(w) * h; // 36608 pixels, 18304 pairs
    Picture flat(n, 0x4A7);
    CScreenEncoder enc;
    std::vector<std::uint8_t> out;

    // A flat first picture: three repeats per plane (16383 + 16383 + 3842 pixels,
    // 16383 + 1921 pairs).
    ASSERT_TRUE(enc.Encode(flat.data(), nullptr, {w, h, 12, true}, out));
    BodyStats b = ReadBody(out, 12);
    ASSERT_TRUE(b.wellFormed);
    EXPECT_EQ(b.lists[0].repeats, 3u);
    EXPECT_EQ(b.lists[0].runs, 3u);
    EXPECT_EQ(b.lists[1].repeats, 2u);
    EXPECT_EQ(b.lists[1].runs, 2u);
    EXPECT_EQ(out.size(), 8u + 2 + 9 + 2 + 6);

    // Nothing changed: two empty lists.
    ASSERT_TRUE(enc.Encode(flat.data(), flat.data(), {w, h, 12, false}, out));
    EXPECT_EQ(out, (std::vector<std::uint8_t>{0, 0, 0, 0, 0}));
    ASSERT_TRUE(enc.Encode(flat.data(), flat.data(), {w, h, 8, false}, out));
    EXPECT_EQ(out, (std::vector<std::uint8_t>{0, 0, 0, 0, 0}));

    // One pixel in the middle changes green only: a skip of 18304 pixels (two
    // runs) and a one-unit run in the green-and-blue plane, nothing in red.
    Picture one = flat;
    one[n / 2] = 0x4F7;
    ASSERT_TRUE(enc.Encode(one.data(), flat.data(), {w, h, 12, false}, out));
    b = ReadBody(out, 12);
    EXPECT_EQ(b.lists[0].skips, 2u);
    EXPECT_EQ(b.lists[0].runs, 3u);
    EXPECT_EQ(b.lists[1].runs, 0u);
    EXPECT_EQ(out.size(), 1u + 2 + 4 + 3 + 2);
}

TEST(ScreenEncoder, HeaderCarriesSizeAndFormat) {
    Picture pic(208 * 320, 0);
    CScreenEncoder enc;
    std::vector<std::uint8_t> out;
    ASSERT_TRUE(enc.Encode(pic.data(), nullptr, {208, 320, 8, true}, out));
    EXPECT_EQ(std::vector<std::uint8_t>(out.begin(), out.begin() + 8),
              (std::vector<std::uint8_t>{1, 0x00, 0xD0, 0x01, 0x40, 0x00, 0x08, 0}));
    ASSERT_TRUE(enc.Encode(pic.data(), nullptr, {208, 320, 12, false}, out));
    EXPECT_EQ(out.at(0), 0);
}

TEST(ScreenEncoder, RefusesImpossibleParameters) {
    Picture pic(16, 0);
    CScreenEncoder enc;
    std::vector<std::uint8_t> out{1, 2, 3};
    const CScreenEncoder::Params bad[] = {
        {0, 4, 12, true}, {4, 0, 12, true}, {4, 4, 16, true}, {4, 4, 0, true}, {4, 4, 24, true}};
    for (const auto& p : bad) {
        EXPECT_FALSE(enc.Encode(pic.data(), nullptr, p, out));
        EXPECT_TRUE(out.empty());
    }
}

// Format 8 with more colours than a palette holds: the reduced pixels are
// sent again against what the receiver shows and reach it exactly.
TEST(ScreenEncoder, ReducedColoursConvergeToThePicture) {
    const int w = 64, h = 64;
    Picture pic(std::size_t(w) * h);
    for (std::size_t i = 0; i < pic.size(); ++i)
        pic[i] = std::uint16_t(i); // all 4096 colours
    Picture shown(pic.size(), 0xFFF);
    CScreenEncoder enc;
    CScreenDecoder dec;
    std::vector<std::uint8_t> out;
    int payloads = 0;
    for (; payloads < 20 && shown != pic; ++payloads) {
        ASSERT_TRUE(enc.Encode(pic.data(), payloads ? shown.data() : nullptr,
                               {w, h, 8, payloads == 0}, out, shown.data()));
        EXPECT_EQ(enc.LastPaletteSize(), std::min<std::size_t>(256, enc.LastPaletteSize()));
        dec.DecodeScreen(out.data(), out.size());
        ASSERT_EQ(dec.LastResult(), CScreenDecoder::Result::Ok);
        ASSERT_EQ(DecodedPicture(dec), shown);
        ASSERT_TRUE(OnlyExpandedComponents(dec));
        if (payloads == 0) {
            // Each pixel got a palette colour nearest to its own (weights 3, 4, 2).
            auto distance = [](unsigned a, unsigned b) {
                const int dr = int(a >> 8) - int(b >> 8), dg = int(a >> 4 & 15) - int(b >> 4 & 15),
                          db = int(a & 15) - int(b & 15);
                return 3 * dr * dr + 4 * dg * dg + 2 * db * db;
            };
            std::vector<unsigned> palette;
            for (std::size_t i = 0; i < enc.LastPaletteSize(); ++i) {
                const std::uint8_t* e = dec.Palette().data() + 3 * i;
                palette.push_back(unsigned(e[0] / 17) << 8 | unsigned(e[1] / 17) << 4 | e[2] / 17);
            }
            ASSERT_EQ(palette.size(), 256u);
            for (std::size_t i = 0; i < pic.size(); ++i) {
                int best = 1 << 30;
                for (unsigned c : palette)
                    best = std::min(best, distance(c, pic[i]));
                ASSERT_EQ(distance(shown[i], pic[i]), best) << "pixel " << i;
            }
        }
    }
    EXPECT_EQ(shown, pic);
    EXPECT_EQ(payloads, 16);
}

} // namespace
