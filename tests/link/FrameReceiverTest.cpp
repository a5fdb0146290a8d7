#include "link/FrameReceiver.h"
#include "tests/support/FrameBuilder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

using namespace testsupport;

namespace {

struct Event {
    char kind; // 'F' frame, 'C' closing notice
    Bytes payload;
    bool operator==(const Event&) const = default;
};

class RecordingSink : public IFrameSink {
public:
    void OnPortFrame(const std::uint8_t* p, std::uint32_t n) override {
        events.push_back({'F', Bytes(p, p + n)});
    }
    void OnCloseNotice() override { events.push_back({'C', {}}); }
    void OnDropped(Drop why, std::uint32_t n) override { drops.emplace_back(why, n); }
    std::vector<Event> events;
    std::vector<std::pair<Drop, std::uint32_t>> drops;
};

// Deposits one read as the serial driver does.
void Read(CFrameReceiver& rx, const Bytes& b) {
    ASSERT_LE(b.size(), rx.FreeSpace());
    std::memcpy(rx.ReadPos(), b.data(), b.size());
    rx.ProcessBytes(static_cast<std::uint32_t>(b.size()));
}

struct Fixture {
    RecordingSink sink;
    CFrameReceiver rx{&sink};
};

} // namespace

TEST(FrameReceiver, HuntingKeepsOrDropsHeldBytes) {
    struct Case {
        const char* name;
        Bytes input;
        std::uint32_t held;
        std::uint32_t dropped;
    };
    const Case cases[] = {
        {"eleven bytes wait for a twelfth", Text("abcdefghijk"), 11, 0},
        {"twelve bytes without a marker are dropped", Text("abcdefghijkl"), 0, 12},
        {"a marker at the very end is kept", Text("abcdstx_data"), 8, 4},
        {"the beginning of a marker is kept", Text("abcdefghistx_d"), 5, 9},
        {"a trailing 's' may begin a marker and is kept", Text("abcdefghijks"), 1, 11},
        {"an 's' that does not begin a marker is dropped", Text("abcdefghsxyz"), 0, 12},
        {"a marker at offset 5 moves to the start", Cat({Text("12345stx_data"), {0}}), 9, 5},
        {"a marker at offset 3 of 14 leaves 11", Cat({Text("abcstx_data"), {24, 0, 0}}), 11, 3},
    };
    for (const Case& c : cases) {
        Fixture f;
        Read(f.rx, c.input);
        EXPECT_EQ(f.rx.HeldBytes(), c.held) << c.name;
        EXPECT_EQ(f.rx.GrandTotal(), c.dropped) << c.name;
        EXPECT_TRUE(f.sink.events.empty()) << c.name;
    }
}

TEST(FrameReceiver, SizeFieldReadOnlyWhenTwelfthByteArrives) {
    Fixture f;
    const Bytes frame = Frame(Pattern(4, 1));
    Read(f.rx, Cat({Text("abc"), Bytes(frame.begin(), frame.begin() + 11)}));
    EXPECT_EQ(f.rx.HeldBytes(), 11u);
    Read(f.rx, Bytes(frame.begin() + 11, frame.end()));
    ASSERT_EQ(f.sink.events.size(), 1u);
    EXPECT_EQ(f.sink.events[0], (Event{'F', Pattern(4, 1)}));
}

TEST(FrameReceiver, DeliversFramesInOrder) {
    const Bytes a = Pattern(100, 3), b = Pattern(7, 9);
    struct Case {
        const char* name;
        std::vector<Bytes> reads;
        std::vector<Event> expected;
        std::uint32_t held;
    };
    const Bytes fa = Frame(a), fb = Frame(b);
    const Case cases[] = {
        {"one frame in three reads",
         {Bytes(fa.begin(), fa.begin() + 5), Bytes(fa.begin() + 5, fa.begin() + 60),
          Bytes(fa.begin() + 60, fa.end())},
         {{'F', a}},
         0},
        {"two frames in one read", {Cat({Frame(a), Frame(b)})}, {{'F', a}, {'F', b}}, 0},
        {"a frame and 30 bytes of the next",
         {Cat({Frame(a), Bytes(fa.begin(), fa.begin() + 30)})},
         {{'F', a}},
         30},
        {"an empty payload", {Frame({})}, {{'F', {}}}, 0},
        {"a closing notice", {Frame(a, "close_tx")}, {{'C', {}}}, 0},
        {"an unknown end marker is dropped, the next frame read",
         {Cat({Frame(a, "garbage!"), Frame(b)})},
         {{'F', b}},
         0},
        {"noise before a frame", {Cat({Text("noise noise"), Frame(b)})}, {{'F', b}}, 0},
        {"a marker split over two reads after noise",
         {Text("some noise stx_"), Bytes(fb.begin() + 4, fb.end())},
         {{'F', b}},
         0},
        {"a length below 20 drops the marker, the next frame in the read is kept",
         {Cat({FrameWithLength(19, a), Frame(b)})},
         {{'F', b}},
         0},
        {"a length above the buffer drops the marker",
         {Cat({FrameWithLength(262145, {}), Frame(b)})},
         {{'F', b}},
         0},
        {"a zero length drops the marker", {Cat({FrameWithLength(0, a), Frame(b)})}, {{'F', b}}, 0},
    };
    for (const Case& c : cases) {
        Fixture f;
        for (const Bytes& r : c.reads)
            Read(f.rx, r);
        EXPECT_EQ(f.sink.events, c.expected) << c.name;
        EXPECT_EQ(f.rx.HeldBytes(), c.held) << c.name;
    }
}

TEST(FrameReceiver, LargestFrameFillsTheBuffer) {
    Fixture f;
    const Bytes payload = Pattern(CFrameReceiver::kBufferSize - 20, 5);
    f.rx.Feed(Frame(payload).data(), CFrameReceiver::kBufferSize);
    ASSERT_EQ(f.sink.events.size(), 1u);
    EXPECT_EQ(f.sink.events[0].payload, payload);
    EXPECT_EQ(f.rx.FreeSpace(), CFrameReceiver::kBufferSize);
}

TEST(FrameReceiver, SilenceDropsPartialFrameButKeepsUnsizedBytes) {
    Fixture f;
    const Bytes frame = Frame(Pattern(50, 2));
    Read(f.rx, Bytes(frame.begin(), frame.begin() + 30));
    f.rx.CleanupAfterRead();
    EXPECT_EQ(f.rx.HeldBytes(), 0u);
    EXPECT_EQ(f.rx.Stats().silenceDrops, 1u);

    Read(f.rx, Bytes(frame.begin(), frame.begin() + 10)); // size not read yet
    f.rx.CleanupAfterRead();
    EXPECT_EQ(f.rx.HeldBytes(), 10u);
    Read(f.rx, Bytes(frame.begin() + 10, frame.end()));
    ASSERT_EQ(f.sink.events.size(), 1u);
    EXPECT_EQ(f.sink.events[0].payload, Pattern(50, 2));
}

// A stream with every kind of content, cut into pieces at every place, gives
// the same events as when it arrives whole.
TEST(FrameReceiver, AnySplitGivesTheSameEvents) {
    const Bytes stream =
        Cat({Text("xx"), Frame(Pattern(33, 1)), Text("stx_dat"), Frame({}), FrameWithLength(7, {}),
             Frame(Pattern(5, 2), "close_tx"), Text("junk junk junk"),
             Frame(Pattern(40, 3), "neither!"), Frame(Pattern(300, 4)), Text("st")});
    Fixture whole;
    whole.rx.Feed(stream.data(), stream.size());
    ASSERT_EQ(whole.sink.events.size(), 4u);

    for (std::size_t cut = 1; cut < stream.size(); ++cut) {
        Fixture f;
        Read(f.rx, Bytes(stream.begin(), stream.begin() + cut));
        Read(f.rx, Bytes(stream.begin() + cut, stream.end()));
        ASSERT_EQ(f.sink.events, whole.sink.events) << "cut at " << cut;
    }
    std::mt19937 rng(7);
    for (int trial = 0; trial < 200; ++trial) {
        Fixture f;
        std::size_t pos = 0;
        while (pos < stream.size()) {
            const std::size_t n = std::min<std::size_t>(1 + rng() % 40, stream.size() - pos);
            Read(f.rx, Bytes(stream.begin() + pos, stream.begin() + pos + n));
            pos += n;
        }
        ASSERT_EQ(f.sink.events, whole.sink.events) << "trial " << trial;
    }
}

TEST(FrameReceiver, DensePackedFramesAllArrive) {
    Fixture f;
    Bytes stream;
    const Bytes empty = Frame({});
    while (stream.size() + 20 <= CFrameReceiver::kBufferSize)
        stream.insert(stream.end(), empty.begin(), empty.end());
    Read(f.rx, stream);
    EXPECT_EQ(f.sink.events.size(), stream.size() / 20);
    EXPECT_EQ(f.rx.Stats().screenFrames, stream.size() / 20);
}

TEST(FrameReceiver, ProcessBytesNeverPassesTheBuffer) {
    Fixture f;
    Read(f.rx, Text("stx_data"));
    // A caller that claims more than it could deposit is held to the free space.
    f.rx.ProcessBytes(CFrameReceiver::kBufferSize);
    EXPECT_LE(f.rx.HeldBytes(), CFrameReceiver::kBufferSize);
    f.rx.CleanupAfterRead();
    const Bytes b = Pattern(9, 1);
    Read(f.rx, Frame(b));
    ASSERT_FALSE(f.sink.events.empty());
    EXPECT_EQ(f.sink.events.back().payload, b);
}
