// The screen picture (bottom row first, blue-green-red) into the 32-bit form
// the window draws: the program's one conversion (codec/ScreenRgb32.h) beside
// Qt's own image conversion of the same rows, whole pictures of the phones'
// sizes and of the largest screen a header may announce.
#include "codec/ScreenDib.h"
#include "codec/ScreenRgb32.h"

#include <QImage>

#include <benchmark/benchmark.h>

#include <cstdint>

namespace {

CScreenDib Picture(int w, int h) {
    CScreenDib dib(w, h);
    for (std::size_t i = 0; i < dib.ImageSize(); ++i)
        dib.Bits()[i] = static_cast<std::uint8_t>(i * 7);
    return dib;
}

void BM_ConvertOurs(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    const CScreenDib dib = Picture(w, h);
    QImage out(w, h, QImage::Format_RGB32);
    for (auto _ : state) {
        lumetto::ScreenRowsToRgb32(dib, 0, h, out.bits(),
                                   static_cast<std::size_t>(out.bytesPerLine()));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t(w) * h);
}

// Qt's conversion of the same bytes (read as an image of BGR888 rows); the
// rows stay bottom row first, which the window could draw mirrored.
void BM_ConvertQt(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    const CScreenDib dib = Picture(w, h);
    const QImage src(dib.Bits(), w, h, static_cast<qsizetype>(dib.Stride()), QImage::Format_BGR888);
    for (auto _ : state) {
        QImage out = src.convertToFormat(QImage::Format_RGB32);
        benchmark::DoNotOptimize(out.constBits());
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t(w) * h);
}

void Sizes(benchmark::internal::Benchmark* b) {
    b->ArgNames({"w", "h"});
    for (auto [w, h] : {std::pair{176, 208}, {208, 320}, {2048, 2048}})
        b->Args({w, h});
}

BENCHMARK(BM_ConvertOurs)->Apply(Sizes);
BENCHMARK(BM_ConvertQt)->Apply(Sizes);

} // namespace

BENCHMARK_MAIN();
