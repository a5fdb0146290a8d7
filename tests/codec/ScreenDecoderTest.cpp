#include "codec/ScreenDecoder.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
using Result = CScreenDecoder::Result;

Bytes Hex(const std::string& text) {
    std::istringstream in(text);
    Bytes out;
    std::string tok;
    while (in >> tok)
        out.push_back(static_cast<std::uint8_t>(std::stoul(tok, nullptr, 16)));
    return out;
}

Bytes Header(int w, int h, int format) {
    return {1,
            std::uint8_t(w >> 8),
            std::uint8_t(w),
            std::uint8_t(h >> 8),
            std::uint8_t(h),
            std::uint8_t(format >> 8),
            std::uint8_t(format),
            0};
}

Bytes Cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class FakeHost : public IScreenPlatformHost {
public:
    int CurrentPlatform() const override { return platform; }
    void SwitchPlatform(int p) override {
        switches.push_back(p);
        platform = p;
    }
    int platform = lumetto::kPlatformS60;
    std::vector<int> switches;
};

struct Decoder {
    FakeHost host;
    CScreenDecoder dec{&host};
    Result Decode(const Bytes& b) {
        const std::uint8_t* end = dec.DecodeScreen(b.data(), b.size());
        EXPECT_LE(end, b.data() + b.size());
        return dec.LastResult();
    }
    // Blue, green, red of pixel p in the top-down picture.
    Bytes Pixel(std::size_t p) const {
        const std::uint8_t* d = dec.DecodeBits() + 3 * p;
        return {d[0], d[1], d[2]};
    }
};

const Bytes kWhite = {0xFF, 0xFF, 0xFF};

} // namespace

TEST(ScreenDecoder, WorkedExampleFormat12) {
    Decoder d;
    const Bytes payload = Hex("01 00 B0 00 D0 00 0C 00  00 01 40 02 F0 0F  00 01 40 01 A5");
    EXPECT_EQ(d.Decode(payload), Result::Ok);
    EXPECT_TRUE(d.host.switches.empty());
    EXPECT_EQ(d.Pixel(0), Hex("00 FF AA"));
    EXPECT_EQ(d.Pixel(1), Hex("FF 00 55"));
    for (std::size_t p = 2; p < 176 * 208; ++p)
        ASSERT_EQ(d.Pixel(p), kWhite) << p;
    // Bottom-up: the top row is row 207, at byte 109,296; the slack row is white.
    const std::uint8_t* s = d.dec.ScreenBits();
    EXPECT_EQ(Bytes(s + 109296, s + 109302), Hex("00 FF AA FF 00 55"));
    for (std::size_t i = 208 * 528; i < 209 * 528; ++i)
        ASSERT_EQ(s[i], 0xFF);
}

TEST(ScreenDecoder, WorkedExampleFormat8) {
    Decoder d;
    EXPECT_EQ(d.Decode(Hex("01 00 B0 00 D0 00 08 00  00 02 0F 00 00 F0  00 01 00 03 01")),
              Result::Ok);
    for (std::size_t p = 0; p < 3; ++p)
        EXPECT_EQ(d.Pixel(p), Hex("00 FF 00"));
    EXPECT_EQ(d.Pixel(3), kWhite);
    EXPECT_EQ(d.dec.Palette()[0], 255);
}

TEST(ScreenDecoder, PlatformFollowsTheAnnouncedSize) {
    struct Case {
        int platform, w, h;
        std::vector<int> switches;
    };
    const Case cases[] = {
        {lumetto::kPlatformS60, 176, 208, {}},
        {lumetto::kPlatformS60, 208, 320, {lumetto::kPlatformUIQ}},
        {lumetto::kPlatformUIQ, 208, 320, {}},
        {lumetto::kPlatformUIQ, 176, 208, {lumetto::kPlatformS60}},
        {lumetto::kPlatformUIQ, 240, 176, {lumetto::kPlatformS60}}, // height compared with 176
        {lumetto::kPlatformS60, 240, 320, {lumetto::kPlatformUIQ}},
        {lumetto::kPlatformS60, 240, 240, {}},
    };
    for (const Case& c : cases) {
        Decoder d;
        d.host.platform = c.platform;
        d.Decode(Cat(Header(c.w, c.h, 12), Hex("00 00 00 00")));
        EXPECT_EQ(d.host.switches, c.switches) << c.w << "x" << c.h;
        EXPECT_EQ(d.dec.PictureWidth(), c.w);
    }
}

TEST(ScreenDecoder, BuffersHaveTheScreenPictureLayout) {
    struct Case {
        int w, h;
        std::size_t bytes;
    };
    for (const Case& c : {Case{176, 208, 110352}, Case{208, 320, 200304}, Case{175, 3, 528 * 4}}) {
        Decoder d;
        d.Decode(Cat(Header(c.w, c.h, 12), Hex("00 00 00 00")));
        EXPECT_EQ(lumetto::ScreenImageSize(d.dec.PictureWidth(), d.dec.PictureHeight()), c.bytes);
    }
}

TEST(ScreenDecoder, RunRulesAndPalette) {
    struct Case {
        const char* name;
        Bytes body; // format 8 body after the header, on an 8 x 2 screen
        Result result;
        std::vector<Bytes> pixels; // the first pixels afterwards
    };
    // Palette: 0 red, 1 (0xF123) 17/34/51, 2 black.
    const Bytes pal = Hex("00 03 0F 00 F1 23 00 00");
    const Case cases[] = {
        {"repeat of 3",
         Cat(pal, Hex("00 01 00 03 01")),
         Result::Ok,
         {Hex("33 22 11"), Hex("33 22 11"), Hex("33 22 11"), kWhite}},
        {"literal of 3",
         Cat(pal, Hex("00 01 40 03 00 01 02")),
         Result::Ok,
         {Hex("00 00 FF"), Hex("33 22 11"), Hex("00 00 00"), kWhite}},
        {"skip with bit 14 set",
         Cat(pal, Hex("00 02 C0 02 00 01 02")),
         Result::Ok,
         {kWhite, kWhite, Hex("00 00 00"), kWhite}},
        {"zero-length runs",
         Cat(pal, Hex("00 04 80 00 40 00 00 00 02 00 01 00")),
         Result::Ok,
         {Hex("00 00 FF"), kWhite}},
        {"a run continues into the next row",
         Cat(pal, Hex("00 02 80 07 00 02 02")),
         Result::Ok,
         {kWhite, kWhite, kWhite, kWhite, kWhite, kWhite, kWhite, Hex("00 00 00"), Hex("00 00 00"),
          kWhite}},
        {"an unset palette entry is black",
         Cat(pal, Hex("00 01 00 01 07")),
         Result::Ok,
         {Hex("00 00 00"), kWhite}},
        {"a run past the picture stops unapplied",
         Cat(pal, Hex("00 02 00 02 02 00 0F 00")),
         Result::OutOfRange,
         {Hex("00 00 00"), Hex("00 00 00"), kWhite}},
        {"a literal cut short stops",
         Cat(pal, Hex("00 02 00 01 02 40 05 00")),
         Result::Truncated,
         {Hex("00 00 00"), kWhite}},
        {"a missing run count stops", pal, Result::Truncated, {kWhite}},
        {"more than 256 palette entries stop", Hex("01 01 00 00"), Result::OutOfRange, {kWhite}},
        {"an empty body stops", {}, Result::Truncated, {kWhite}},
    };
    for (const Case& c : cases) {
        Decoder d;
        EXPECT_EQ(d.Decode(Cat(Header(8, 2, 8), c.body)), c.result) << c.name;
        for (std::size_t p = 0; p < c.pixels.size(); ++p)
            EXPECT_EQ(d.Pixel(p), c.pixels[p]) << c.name << ", pixel " << p;
    }
}

TEST(ScreenDecoder, Format12Planes) {
    struct Case {
        const char* name;
        int w, h;
        Bytes body;
        std::vector<Bytes> pixels;
    };
    const Case cases[] = {
        {"red pair from A5",
         4,
         1,
         Hex("00 00 00 01 40 01 A5"),
         {Hex("FF FF AA"), Hex("FF FF 55"), kWhite}},
        {"no red runs change only blue and green",
         4,
         1,
         Hex("00 01 00 02 12 00 00"),
         {Hex("22 11 FF"), Hex("22 11 FF"), kWhite}},
        {"red skip counts pairs",
         4,
         1,
         Hex("00 00 00 02 80 01 00 01 F0"),
         {kWhite, kWhite, Hex("FF FF FF"), Hex("FF FF 00")}},
        {"an odd last pixel takes the high nibble",
         3,
         1,
         Hex("00 00 00 02 80 01 40 01 3C"),
         {kWhite, kWhite, Hex("FF FF 33")}},
        {"the red plane stays within the pairs",
         3,
         1,
         Hex("00 00 00 01 00 03 00"),
         {kWhite, kWhite, kWhite}},
    };
    for (const Case& c : cases) {
        Decoder d;
        d.Decode(Cat(Header(c.w, c.h, 12), c.body));
        for (std::size_t p = 0; p < c.pixels.size(); ++p)
            EXPECT_EQ(d.Pixel(p), c.pixels[p]) << c.name << ", pixel " << p;
    }
}

TEST(ScreenDecoder, HeadersAcrossAConnection) {
    Decoder d;
    // A red top-left pixel in format 12.
    d.Decode(Cat(Header(176, 208, 12), Hex("00 00 00 01 00 01 F0")));
    EXPECT_EQ(d.Pixel(0), Hex("FF FF FF"));
    d.Decode(Cat(Header(176, 208, 12), Hex("00 01 00 01 00 00 00")));
    EXPECT_EQ(d.Pixel(0), Hex("00 00 FF"));

    // The same size in format 8 keeps the picture; skipped pixels keep their colour.
    EXPECT_EQ(d.Decode(Cat(Header(176, 208, 8), Hex("00 00 00 01 80 01"))), Result::Ok);
    EXPECT_EQ(d.Pixel(0), Hex("00 00 FF"));
    int w, h, f;
    d.dec.GetScreenFormat(w, h, f);
    EXPECT_EQ(f, 8);

    // No header: the body starts at byte 1 in the last header's format.
    EXPECT_EQ(d.Decode(Hex("00 00 01 00 F0 00 01 00 01 00")), Result::Ok);
    EXPECT_EQ(d.Pixel(0), Hex("00 FF 00"));

    // An unknown format is stored and bodies are left alone.
    EXPECT_EQ(d.Decode(Cat(Header(176, 208, 16), Hex("00 01 00 01 01"))), Result::Ok);
    EXPECT_EQ(d.Decode(Hex("07 00 01 00 01 01")), Result::UnknownFormat);
    EXPECT_EQ(d.Pixel(0), Hex("00 FF 00"));

    // A new size brings new white pictures of that size.
    EXPECT_EQ(d.Decode(Cat(Header(208, 320, 12), Hex("00 00 00 00"))), Result::Ok);
    EXPECT_EQ(d.dec.PictureWidth(), 208);
    EXPECT_EQ(d.Pixel(0), kWhite);
    EXPECT_EQ(d.Pixel(208 * 320 - 1), kWhite);

    // A reset frees the pictures; a body without header then has nowhere to go.
    d.dec.FreeBuffers();
    EXPECT_EQ(d.dec.ScreenBits(), nullptr);
    EXPECT_EQ(d.Decode(Hex("00 00 01 00 00 00 00")), Result::NoBuffers);
    EXPECT_EQ(d.Decode(Cat(Header(208, 320, 12), Hex("00 00 00 00"))), Result::Ok);
    EXPECT_NE(d.dec.ScreenBits(), nullptr);
    EXPECT_EQ(d.host.switches, std::vector<int>{lumetto::kPlatformUIQ});
}

TEST(ScreenDecoder, SizesThatAreNotHonoured) {
    for (auto [w, h] : {std::pair{0, 208}, {176, 0}, {2049, 10}, {10, 2049}, {65535, 65535}}) {
        Decoder d;
        EXPECT_EQ(d.Decode(Cat(Header(w, h, 12), Hex("00 00 00 00"))), Result::BadSize);
        EXPECT_FALSE(d.dec.HasPicture());
        EXPECT_TRUE(d.host.switches.empty());
    }
    Decoder d;
    EXPECT_EQ(d.Decode(Hex("00 00 00 00 00")), Result::NoFormat);
    EXPECT_EQ(d.Decode({}), Result::Truncated);
    EXPECT_EQ(d.Decode(Hex("01 00 B0 00")), Result::Truncated);
}

// Every prefix of a valid payload decodes safely and only ever adds what the
// whole payload would give.
TEST(ScreenDecoder, EveryTruncationIsSafe) {
    const Bytes full = Cat(Header(6, 2, 8), Hex("00 02 0F 00 00 F0  00 03 40 03 00 01 00 "
                                                "80 02 00 07 01"));
    Decoder whole;
    ASSERT_EQ(whole.Decode(full), Result::Ok);
    for (std::size_t n = 8; n < full.size(); ++n) {
        Decoder d;
        d.Decode(Bytes(full.begin(), full.begin() + n));
        ASSERT_TRUE(d.dec.HasPicture());
        for (std::size_t p = 0; p < 12; ++p) {
            const Bytes px = d.Pixel(p);
            ASSERT_TRUE(px == kWhite || px == whole.Pixel(p)) << "length " << n << " pixel " << p;
        }
    }
}
