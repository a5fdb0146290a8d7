// Cost of the receive core beside a plain copy of the same bytes.
//
// Decoding a full-screen payload should cost at most 3 x copying the payload
// and the picture once; framing at most 2 x copying the stream, whatever the
// frame size.
#include "codec/ScreenDecoder.h"
#include "link/FrameReceiver.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& b, unsigned v) {
    b.push_back(static_cast<std::uint8_t>(v >> 8));
    b.push_back(static_cast<std::uint8_t>(v));
}

// A run list of literal runs over `units` units with random data.
void LiteralRuns(Bytes& b, std::size_t units, std::mt19937& rng) {
    const std::size_t runs = (units + 16382) / 16383;
    Put16(b, static_cast<unsigned>(runs));
    for (std::size_t left = units; left > 0;) {
        const std::size_t n = std::min<std::size_t>(left, 16383);
        Put16(b, 0x4000 | static_cast<unsigned>(n));
        for (std::size_t i = 0; i < n; ++i)
            b.push_back(static_cast<std::uint8_t>(rng()));
        left -= n;
    }
}

Bytes Header(int w, int h, int format) {
    Bytes b = {1};
    Put16(b, w);
    Put16(b, h);
    Put16(b, format);
    b.push_back(0);
    return b;
}

enum Kind { kFull12, kFull8, kSparse12 };

Bytes Payload(int w, int h, Kind kind) {
    std::mt19937 rng(1);
    const std::size_t pixels = std::size_t(w) * h;
    Bytes b = Header(w, h, kind == kFull8 ? 8 : 12);
    if (kind == kFull8) {
        Put16(b, 256);
        for (int i = 0; i < 256; ++i)
            Put16(b, rng() & 0xFFF);
        LiteralRuns(b, pixels, rng);
    } else if (kind == kFull12) {
        LiteralRuns(b, pixels, rng);
        LiteralRuns(b, (pixels + 1) / 2, rng);
    } else {
        // A clock-sized change: 8 rows of 40 pixels in the status bar.
        Put16(b, 16);
        for (int row = 0; row < 8; ++row) {
            Put16(b, 0x8000 | (row == 0 ? 10 * w : w - 40));
            Put16(b, 0x4000 | 40);
            for (int i = 0; i < 40; ++i)
                b.push_back(static_cast<std::uint8_t>(rng()));
        }
        Put16(b, 0);
    }
    return b;
}

struct NoHost : IScreenPlatformHost {
    int CurrentPlatform() const override { return 0; }
    void SwitchPlatform(int) override {}
};

void BM_Decode(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    const Bytes payload = Payload(w, h, static_cast<Kind>(state.range(2)));
    NoHost host;
    CScreenDecoder dec(&host);
    dec.DecodeScreen(payload.data(), payload.size());
    for (auto _ : state) {
        benchmark::DoNotOptimize(dec.DecodeScreen(payload.data(), payload.size()));
        benchmark::ClobberMemory();
    }
    if (dec.LastResult() != CScreenDecoder::Result::Ok)
        state.SkipWithError("payload did not decode");
    state.SetBytesProcessed(state.iterations() * std::int64_t(payload.size()));
    state.counters["payload"] = double(payload.size());
}

// The yardstick: copy the payload once and the picture once.
void BM_DecodeBaselineCopy(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    const Bytes payload = Payload(w, h, static_cast<Kind>(state.range(2)));
    Bytes a(payload.size()), pic(std::size_t(w) * h * 3), pic2(pic.size());
    for (auto _ : state) {
        std::memcpy(a.data(), payload.data(), payload.size());
        std::memcpy(pic2.data(), pic.data(), pic.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t(payload.size()));
}

void DecodeArgs(benchmark::internal::Benchmark* b) {
    b->ArgNames({"w", "h", "kind"});
    for (auto [w, h] : {std::pair{176, 208}, {208, 320}})
        for (int kind : {kFull12, kFull8, kSparse12})
            b->Args({w, h, kind});
}

BENCHMARK(BM_Decode)->Apply(DecodeArgs);
BENCHMARK(BM_DecodeBaselineCopy)->Apply(DecodeArgs);

Bytes Stream(std::size_t payload, std::size_t total) {
    Bytes frame = {'s', 't', 'x', '_', 'd', 'a', 't', 'a'};
    const auto t = static_cast<std::uint32_t>(payload + 20);
    for (int i = 0; i < 4; ++i)
        frame.push_back(static_cast<std::uint8_t>(t >> (8 * i)));
    frame.resize(12 + payload, 0x5A);
    for (char c : std::string("data_etx"))
        frame.push_back(static_cast<std::uint8_t>(c));
    Bytes s;
    while (s.size() + frame.size() <= total)
        s.insert(s.end(), frame.begin(), frame.end());
    return s;
}

struct CountingSink : IFrameSink {
    void OnPortFrame(const std::uint8_t*, std::uint32_t n) override { bytes += n; }
    void OnCloseNotice() override {}
    std::uint64_t bytes = 0;
};

// Framing: args are payload size and read size.
void BM_Framing(benchmark::State& state) {
    const Bytes stream = Stream(static_cast<std::size_t>(state.range(0)), 4 << 20);
    const auto chunk = static_cast<std::size_t>(state.range(1));
    CountingSink sink;
    CFrameReceiver rx(&sink);
    for (auto _ : state) {
        for (std::size_t pos = 0; pos < stream.size();) {
            const std::size_t n =
                std::min({chunk, stream.size() - pos, std::size_t(rx.FreeSpace())});
            std::memcpy(rx.ReadPos(), stream.data() + pos, n);
            rx.ProcessBytes(static_cast<std::uint32_t>(n));
            pos += n;
        }
    }
    benchmark::DoNotOptimize(sink.bytes);
    state.SetBytesProcessed(state.iterations() * std::int64_t(stream.size()));
}

// The yardstick: copying the stream in the same pieces.
void BM_FramingBaselineCopy(benchmark::State& state) {
    const Bytes stream = Stream(static_cast<std::size_t>(state.range(0)), 4 << 20);
    const auto chunk = static_cast<std::size_t>(state.range(1));
    Bytes buf(CFrameReceiver::kBufferSize);
    for (auto _ : state) {
        for (std::size_t pos = 0; pos < stream.size(); pos += chunk) {
            const std::size_t n = std::min(chunk, stream.size() - pos);
            std::memcpy(buf.data(), stream.data() + pos, n);
            benchmark::ClobberMemory();
        }
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t(stream.size()));
}

void FramingArgs(benchmark::internal::Benchmark* b) {
    b->ArgNames({"payload", "read"});
    b->Args({100000, 4096}); // large frames in 4 KiB reads
    b->Args({0, 262144});    // 20-byte frames packed into 256 KiB reads
    b->Args({1000, 65536});
}

BENCHMARK(BM_Framing)->Apply(FramingArgs);
BENCHMARK(BM_FramingBaselineCopy)->Apply(FramingArgs);

} // namespace

BENCHMARK_MAIN();
