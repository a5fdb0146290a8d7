// The screen model between the decoder and its sinks: after each payload
// every sink is told once, in order, of the rows the payload changed, and the
// screen window, which converts only those rows, must still draw exactly the
// decoder's picture through new pictures, resets, size changes and payloads
// that change nothing.
#include "codec/ScreenDecoder.h"
#include "codec/ScreenEncoder.h"
#include "display/ScreenWnd.h"

#include "QtTestApp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

struct CHost : IPictureHost {
    bool IsRecording() const override { return false; }
    void ResizeToContent(int, int) override {}
};

// Writes down every change it is told of.
struct CChangeLog : IScreenSink {
    std::vector<ScreenChange> changes;
    int hidden = 0;
    void OnScreenChanged(const CScreenModel&, const ScreenChange& c) override {
        changes.push_back(c);
    }
    void OnScreenHidden(const CScreenModel&) override { ++hidden; }
};

Bytes Header(int w, int h, int format) {
    return {1,
            Bytes::value_type(w >> 8),
            Bytes::value_type(w),
            Bytes::value_type(h >> 8),
            Bytes::value_type(h),
            0,
            Bytes::value_type(format),
            0};
}

// A format 12 body that repeats one colour over n pixels from pixel `from`
// (red over the same pairs; from and n even). Skips longer than a run word
// holds are split.
Bytes Fill(std::size_t from, std::size_t n, std::uint8_t gb, std::uint8_t red) {
    Bytes b;
    auto put16 = [&b](std::size_t v) {
        b.push_back(std::uint8_t(v >> 8));
        b.push_back(std::uint8_t(v));
    };
    auto list = [&](std::size_t skip, std::size_t count, std::uint8_t value) {
        const std::size_t skips = (skip + 0x3FFE) / 0x3FFF;
        put16(skips + 1);
        for (; skip > 0x3FFF; skip -= 0x3FFF)
            put16(0x8000 | 0x3FFF);
        if (skip > 0)
            put16(0x8000 | skip);
        put16(count);
        b.push_back(value);
    };
    list(from, n, gb);
    list(from / 2, n / 2, red);
    return b;
}

Bytes Cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class ScreenRowsTest : public ::testing::Test {
protected:
    ScreenRowsTest() {
        EnsureQtApp();
        screen = std::make_unique<CScreenWnd>(&host);
        decoder.Screen().AddSink(&before);
        decoder.Screen().AddSink(screen.get());
        decoder.Screen().AddSink(&after);
    }
    ~ScreenRowsTest() override { screen->ForgetScreen(); }

    void ExpectWindowHoldsTheDecodedPicture(const char* step) {
        SCOPED_TRACE(step);
        const int w = decoder.PictureWidth(), h = decoder.PictureHeight();
        ASSERT_EQ(screen->GetBitmapSize(), QSize(w, h));
        // Drawn at zoom 1 into a window of the picture's size, top row first.
        screen->resize(w, h);
        const QImage img = screen->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const std::uint8_t* top = decoder.DecodeBits();
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; x += 7) {
                const std::uint8_t* p = top + 3 * (std::size_t(y) * w + x);
                ASSERT_EQ(img.pixel(x, y) & 0xFFFFFF, qRgb(p[2], p[1], p[0]) & 0xFFFFFF)
                    << x << "," << y;
            }
    }

    CScreenDecoder decoder;
    CHost host;
    std::unique_ptr<CScreenWnd> screen;
    CChangeLog before, after; // sinks on either side of the window
};

TEST_F(ScreenRowsTest, WindowFollowsTheDecoderThroughChangedRowsOnly) {
    struct Step {
        const char* name;
        Bytes payload;
        bool reset = false;     // the view's ResetScreen before the payload
        bool fresh;             // the sinks are told of a new picture (all rows)
        int first = 0, end = 0; // else: the rows they are told of
    };
    const std::size_t w = 176;
    const Step steps[] = {
        {"a new picture: all rows", Cat(Header(176, 208, 12), Fill(0, 2 * w, 0x12, 0x34)), false,
         true},
        {"rows 100-101 change", Cat({0}, Fill(100 * w, 2 * w, 0xAB, 0xCD)), false, false, 100, 102},
        {"a run across two rows", Cat({0}, Fill(150 * w + 170, 10, 0x5F, 0xF5)), false, false, 150,
         152},
        {"a payload that changes nothing", {0, 0, 0, 0, 0}, false, false},
        {"unknown format: nothing decoded", Header(176, 208, 16), false, false},
        {"back to format 12, last row", Cat(Header(176, 208, 12), Fill(207 * w, w, 0x77, 0x88)),
         false, false, 207, 208},
        {"after a reset, a new white picture of the same size",
         Cat(Header(176, 208, 12), Fill(10 * w, w, 0x01, 0x02)), true, true},
        {"another size", Cat(Header(208, 320, 12), Fill(300 * 208, 208, 0x9A, 0xBC)), false, true},
        {"back to the first size", Cat(Header(176, 208, 12), Fill(0, 2, 0xEE, 0xEE)), false, true},
    };
    std::uint64_t sequence = 0;
    for (const Step& s : steps) {
        if (s.reset) {
            screen->SetBitmapMode(true);
            decoder.FreeBuffers();
        }
        decoder.DecodeScreen(s.payload.data(), s.payload.size());
        ExpectWindowHoldsTheDecodedPicture(s.name);
        // Every sink is told of the change once, with its rows.
        ++sequence;
        for (const CChangeLog* log : {&before, &after}) {
            ASSERT_EQ(log->changes.size(), sequence) << s.name;
            const ScreenChange& c = log->changes.back();
            EXPECT_EQ(c.nSequence, sequence) << s.name;
            EXPECT_EQ(c.nFirstRow, s.fresh ? 0 : s.first) << s.name;
            EXPECT_EQ(c.nEndRow, s.fresh ? decoder.PictureHeight() : s.end) << s.name;
            EXPECT_EQ(c.bNewPicture, s.fresh) << s.name;
        }
    }
    EXPECT_EQ(before.hidden, 1); // the reset hid the live picture once
}

TEST_F(ScreenRowsTest, RandomDeltasFromThePhoneEncoder) {
    std::mt19937 rng(3);
    CScreenEncoder encoder;
    std::vector<std::uint16_t> picture(176 * 208, 0xFFF), shown(picture);
    for (int frame = 0; frame < 12; ++frame) {
        // A few rectangles of new colour, as a phone's screen changes.
        for (int r = 0; r < 3; ++r) {
            const int x0 = int(rng() % 176), y0 = int(rng() % 208);
            const int x1 = std::min(176, x0 + int(rng() % 60));
            const int y1 = std::min(208, y0 + int(rng() % 40));
            const std::uint16_t c = std::uint16_t(rng() & 0xFFF);
            for (int y = y0; y < y1; ++y)
                for (int x = x0; x < x1; ++x)
                    picture[std::size_t(y) * 176 + x] = c;
        }
        CScreenEncoder::Params params;
        params.nWidth = 176;
        params.nHeight = 208;
        params.nFormat = frame % 2 ? 8 : 12;
        params.bHeader = frame % 4 == 0;
        Bytes payload;
        ASSERT_TRUE(encoder.Encode(picture.data(), frame == 0 ? nullptr : shown.data(), params,
                                   payload, shown.data()));
        decoder.DecodeScreen(payload.data(), payload.size());
        ExpectWindowHoldsTheDecodedPicture(("frame " + std::to_string(frame)).c_str());
    }
}

} // namespace
