#include "link/FrameWriter.h"
#include "link/FrameReceiver.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class Sink : public IFrameSink {
public:
    void OnPortFrame(const std::uint8_t* p, std::uint32_t n) override {
        frames.emplace_back(p, p + n);
    }
    void OnCloseNotice() override { ++closes; }
    std::vector<std::vector<std::uint8_t>> frames;
    int closes = 0;
};

TEST(FrameWriter, FramesReachTheReceiverWhole) {
    std::vector<std::uint8_t> stream;
    const std::size_t sizes[] = {0, 1, 7, 1000, CFrameWriter::kMaxPayload};
    std::vector<std::vector<std::uint8_t>> payloads;
    for (std::size_t n : sizes) {
        std::vector<std::uint8_t> p(n);
        for (std::size_t i = 0; i < n; ++i)
            p[i] = std::uint8_t(i * 31 + n);
        ASSERT_TRUE(CFrameWriter::AppendScreenFrame(p, stream));
        payloads.push_back(p);
    }
    CFrameWriter::AppendCloseNotice(stream);

    Sink sink;
    CFrameReceiver rx(&sink);
    rx.Feed(stream.data(), stream.size());
    EXPECT_EQ(sink.frames, payloads);
    EXPECT_EQ(sink.closes, 1);
    EXPECT_EQ(rx.Stats().noiseBytes, 0u);
}

TEST(FrameWriter, LayoutOfAFrameAndTheClosingNotice) {
    std::vector<std::uint8_t> out;
    ASSERT_TRUE(CFrameWriter::AppendScreenFrame(std::vector<std::uint8_t>{0xAB}, out));
    EXPECT_EQ(std::string(out.begin(), out.end()), std::string("stx_data\x15\0\0\0\xAB"
                                                               "data_etx",
                                                               21));
    out.clear();
    CFrameWriter::AppendCloseNotice(out);
    EXPECT_EQ(std::string(out.begin(), out.end()), std::string("stx_data\x14\0\0\0close_tx", 20));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(CFrameWriter::CloseMarker()), 8),
              "close_tx");
}

TEST(FrameWriter, RefusesPayloadsNoReceiverCanHold) {
    std::vector<std::uint8_t> big(CFrameWriter::kMaxPayload + 1), out{9};
    EXPECT_FALSE(CFrameWriter::AppendScreenFrame(big, out));
    EXPECT_EQ(out, std::vector<std::uint8_t>{9});
}

} // namespace
