// The screen window fed as the view feeds it: after each payload only the
// rows the decoder reports as changed are handed over, and the window must
// still hold, and draw, exactly the decoder's picture through new pictures,
// resets, size changes and payloads that change nothing.
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

struct CDecoderHost : IPictureHost {
    const CScreenDecoder* decoder = nullptr;
    void GetScreenFormat(int& w, int& h, int& fmt) const override {
        decoder->GetScreenFormat(w, h, fmt);
        w = decoder->PictureWidth();
        h = decoder->PictureHeight();
    }
    bool IsRecording() const override { return false; }
    void ResizeToContent(int, int) override {}
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
// (red over the same pairs; from and n even).
Bytes Fill(std::size_t from, std::size_t n, std::uint8_t gb, std::uint8_t red) {
    Bytes b = {0, 2};
    auto put16 = [&b](std::size_t v) {
        b.push_back(std::uint8_t(v >> 8));
        b.push_back(std::uint8_t(v));
    };
    put16(0x8000 | from);
    put16(n);
    b.push_back(gb);
    put16(2);
    put16(0x8000 | from / 2);
    put16(n / 2);
    b.push_back(red);
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
        host.decoder = &decoder;
        screen = std::make_unique<CScreenWnd>(&host);
    }

    // What the view does with a payload.
    void Deliver(const Bytes& payload) {
        decoder.DecodeScreen(payload.data(), payload.size());
        if (!decoder.HasPicture())
            return;
        screen->SetScreenData(decoder.ScreenBits(), decoder.ChangedRowFirst(),
                              decoder.ChangedRowCount());
    }

    void ExpectWindowHoldsTheDecodedPicture(const char* step) {
        SCOPED_TRACE(step);
        const CScreenDib* dib = screen->GetScreenBitmap();
        ASSERT_NE(dib, nullptr);
        const int w = decoder.PictureWidth(), h = decoder.PictureHeight();
        ASSERT_EQ(dib->Width(), w);
        ASSERT_EQ(dib->Height(), h);
        // The first height rows are handed over; the slack row stays white.
        const std::size_t rows = dib->Stride() * std::size_t(h);
        ASSERT_EQ(std::memcmp(dib->Bits(), decoder.ScreenBits(), rows), 0);
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
    CDecoderHost host;
    std::unique_ptr<CScreenWnd> screen;
};

TEST_F(ScreenRowsTest, WindowFollowsTheDecoderThroughChangedRowsOnly) {
    struct Step {
        const char* name;
        Bytes payload;
        bool reset = false; // the view's ResetScreen before the payload
    };
    const std::size_t w = 176;
    const Step steps[] = {
        {"a new picture: all rows", Cat(Header(176, 208, 12), Fill(0, 2 * w, 0x12, 0x34))},
        {"rows 100-101 change", Fill(100 * w, 2 * w, 0xAB, 0xCD)},
        {"a run across two rows", Fill(150 * w + 170, 10, 0x5F, 0xF5)},
        {"a payload that changes nothing", {0, 0, 0, 0, 0}},
        {"unknown format: nothing decoded", Header(176, 208, 16)},
        {"back to format 12, last row", Cat(Header(176, 208, 12), Fill(207 * w, w, 0x77, 0x88))},
        {"after a reset, a new white picture of the same size",
         Cat(Header(176, 208, 12), Fill(10 * w, w, 0x01, 0x02)), true},
        {"another size", Cat(Header(208, 320, 12), Fill(300 * 208, 208, 0x9A, 0xBC))},
        {"back to the first size", Cat(Header(176, 208, 12), Fill(0, 2, 0xEE, 0xEE))},
    };
    for (const Step& s : steps) {
        if (s.reset) {
            screen->SetBitmapMode(true);
            decoder.FreeBuffers();
        }
        Deliver(s.payload);
        ExpectWindowHoldsTheDecodedPicture(s.name);
    }
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
        Deliver(payload);
        ExpectWindowHoldsTheDecodedPicture(("frame " + std::to_string(frame)).c_str());
    }
}

} // namespace
