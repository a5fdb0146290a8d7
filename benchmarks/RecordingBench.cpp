// bench-recording: what a movie costs. CPU time per picture of the MP4
// recorder (scaling, colour conversion, H.264, muxing; every thread of the
// process counted) beside the AVI recorder's for the same screens, and the
// share of pictures an MP4 movie keeps when pictures come as fast as the
// calling thread can hand them over. Prints tab-separated rows for ./bench.
#include "benchmarks/TableRow.h"
#include "codec/ScreenFormat.h"
#include "media/AviRecorder.h"
#include "media/Mp4Recorder.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using bench::Fmt;
using bench::LabelArg;
using bench::Row;

using Clock = std::chrono::steady_clock;
constexpr int kPictures = 60; // per CPU measurement
constexpr int kVariants = 8;  // distinct screens, shown in turn
constexpr double kFloodSeconds = 2.0;

double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// A phone-like screen in 0xffRRGGBB: gradient, a moving bar, a text panel.
std::vector<std::uint32_t> Screen(int w, int h, int index) {
    std::vector<std::uint32_t> p(std::size_t(w) * h);
    const int barTop = (index * 37) % (h - 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            unsigned r = 60 + 100 * y / h, g = 90 + 20 * (index % 6), b = 190 - 90 * x / w;
            if (y >= barTop && y < barTop + 24)
                r = 210, g = 160, b = 90;
            else if (y > h / 2 && y < h / 2 + h / 8 && x > 8 && x < w - 8)
                r = g = b = ((x * 3 + y * 5 + index) % 7 == 0) ? 30 : 215;
            p[std::size_t(y) * w + x] = 0xff000000u | r << 16 | g << 8 | b;
        }
    return p;
}

// The same screen as the AVI recorder takes it: bottom-up BGR with the slack row.
std::vector<std::uint8_t> DibScreen(const std::vector<std::uint32_t>& p, int w, int h) {
    const std::size_t stride = lumetto::DibRowStride(w);
    std::vector<std::uint8_t> dib(lumetto::ScreenImageSize(w, h), 0xff);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const std::uint32_t c = p[std::size_t(h - 1 - y) * w + x];
            std::uint8_t* o = &dib[stride * y + 3 * x];
            o[0] = c & 0xff;
            o[1] = (c >> 8) & 0xff;
            o[2] = (c >> 16) & 0xff;
        }
    return dib;
}

double AviMsPerPicture(const std::string& path, int w, int h) {
    std::vector<std::vector<std::uint8_t>> dibs;
    for (int i = 0; i < kVariants; ++i)
        dibs.push_back(DibScreen(Screen(w, h, i), w, h));
    lumetto::CAviRecorder rec;
    const double t0 = CpuSeconds();
    if (!rec.Open(path, w, h))
        return -1;
    for (int i = 0; i < kPictures; ++i)
        rec.WriteFrame(dibs[i % kVariants].data(), dibs[i % kVariants].size());
    rec.Close();
    return (CpuSeconds() - t0) * 1000.0 / kPictures;
}

// Every picture encoded (a queue that holds them all), 200 ms apart on the
// movie's clock as a phone sends them.
double Mp4MsPerPicture(const std::string& path, int w, int h) {
    std::vector<std::vector<std::uint32_t>> screens;
    for (int i = 0; i < kVariants; ++i)
        screens.push_back(Screen(w, h, i));
    long ms = 0;
    lumetto::Mp4RecorderTuning tuning;
    tuning.clock = [&ms] { return Clock::time_point(std::chrono::milliseconds(ms)); };
    tuning.nQueueLimit = kPictures;
    lumetto::CMp4Recorder rec(tuning);
    const double t0 = CpuSeconds();
    if (!rec.Open(path, w, h, lumetto::Mp4ScaleForHeight(h)))
        return -1;
    for (int i = 0; i < kPictures; ++i) {
        ms = 200L * i;
        rec.AddFrame(reinterpret_cast<const std::uint8_t*>(screens[i % kVariants].data()), w * 4);
    }
    ms = 200L * kPictures;
    rec.Close();
    return (CpuSeconds() - t0) * 1000.0 / kPictures;
}

} // namespace

int main(int argc, char** argv) {
    const std::string section = "recording " + LabelArg(argc, argv);
    const std::string dir = std::filesystem::temp_directory_path().string() +
                            "/lumetto-bench-recording-" + std::to_string(::getpid());
    std::filesystem::create_directories(dir);

    const struct {
        const char* name;
        int w, h;
    } screens[] = {{"S60", lumetto::kS60Width, lumetto::kS60Height},
                   {"UIQ", lumetto::kUIQWidth, lumetto::kUIQHeight}};
    for (const auto& s : screens) {
        const double avi = AviMsPerPicture(dir + "/movie.avi", s.w, s.h);
        const double mp4 = Mp4MsPerPicture(dir + "/movie.mp4", s.w, s.h);
        const int scale = lumetto::Mp4ScaleForHeight(s.h);
        Row(section,
            std::string("MP4 ") + s.name + " x" + std::to_string(scale) +
                ", CPU ms per picture (beside AVI)",
            Fmt(mp4, 2), Fmt(avi, 3), Fmt(mp4 / avi, 0), "<= 50 ms");
    }

    // A flood: AddFrame as fast as the calling thread can, real clock, the
    // program's queue.
    const int w = lumetto::kS60Width, h = lumetto::kS60Height;
    std::vector<std::vector<std::uint32_t>> flood;
    for (int i = 0; i < kVariants; ++i)
        flood.push_back(Screen(w, h, i));
    lumetto::CMp4Recorder rec;
    long calls = 0;
    double addSeconds = 0;
    if (rec.Open(dir + "/flood.mp4", w, h, lumetto::Mp4ScaleForHeight(h))) {
        const auto end = Clock::now() + std::chrono::duration<double>(kFloodSeconds);
        while (Clock::now() < end) {
            const auto t0 = Clock::now();
            rec.AddFrame(reinterpret_cast<const std::uint8_t*>(flood[calls % kVariants].data()),
                         w * 4);
            addSeconds += std::chrono::duration<double>(Clock::now() - t0).count();
            ++calls;
        }
        rec.Close();
    }
    const lumetto::MovieStats stats = rec.Stats();
    const double kept = calls > 0 ? 100.0 * double(stats.nFrames) / double(calls) : 0;
    Row(section,
        "MP4 S60 flood for " + Fmt(kFloodSeconds, 0) + " s: pictures kept of " +
            std::to_string(calls) + ", %",
        Fmt(kept, 1), "", "", "the last always kept");
    Row(section, "MP4 S60 flood: pictures encoded per second",
        Fmt(double(stats.nFrames) / kFloodSeconds, 1));
    Row(section, "MP4 S60 flood: AddFrame on the calling thread, us per call",
        Fmt(calls > 0 ? addSeconds * 1e6 / double(calls) : 0, 1), "", "", "never waits");
    std::filesystem::remove_all(dir);
    return 0;
}
