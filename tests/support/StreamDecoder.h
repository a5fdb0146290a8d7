// Reads a phone's byte stream the way the PC does: frames, then screen payloads.
#pragma once

#include "codec/ScreenDecoder.h"
#include "link/FrameReceiver.h"

#include <cstdint>
#include <vector>

namespace phonetest {

struct DecodedFrame {
    bool bHeader = false;
    CScreenDecoder::Result eResult = CScreenDecoder::Result::Ok;
    bool bWholeBody = false; // the decoder used every byte of the payload
    std::vector<std::uint16_t> picture;
};

class CStreamDecoder : public IFrameSink {
public:
    CStreamDecoder() : m_rx(this) {}

    void Feed(const std::uint8_t* p, std::size_t n) { m_rx.Feed(p, n); }
    void Feed(const std::vector<std::uint8_t>& b) { Feed(b.data(), b.size()); }

    void OnPortFrame(const std::uint8_t* p, std::uint32_t n) override {
        DecodedFrame f;
        f.bHeader = n > 0 && p[0] == 1;
        const std::uint8_t* end = m_dec.DecodeScreen(p, n);
        f.eResult = m_dec.LastResult();
        f.bWholeBody = end == p + n;
        if (m_dec.HasPicture()) {
            const std::uint8_t* px = m_dec.DecodeBits();
            f.picture.resize(std::size_t(m_dec.PictureWidth()) * m_dec.PictureHeight());
            for (auto& c : f.picture) {
                c = std::uint16_t(((px[2] / 17) << 8) | ((px[1] / 17) << 4) | (px[0] / 17));
                px += 3;
            }
        }
        frames.push_back(std::move(f));
    }
    void OnCloseNotice() override { ++closeNotices; }

    const CScreenDecoder& Decoder() const { return m_dec; }
    const CFrameReceiver& Receiver() const { return m_rx; }

    std::vector<DecodedFrame> frames;
    int closeNotices = 0;

private:
    CFrameReceiver m_rx;
    CScreenDecoder m_dec;
};

} // namespace phonetest
