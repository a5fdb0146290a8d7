// The MP4 recorder, checked by reading its movies back with ffprobe and
// ffmpeg: every picture at its arrival time and close to the nearest-
// neighbour scaled original, the drop policy when the encoder is behind, a
// recording killed half-way, and a full disk.
#include "media/Mp4Recorder.h"

#include "MovieTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <mutex>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>

using namespace moviesupport;
using lumetto::CMp4Recorder;
using Clock = std::chrono::steady_clock;
using Pixels = std::vector<std::uint32_t>;

namespace {

// A screen as a phone shows one: a smooth background, a highlight bar, and
// dark "text" on a light panel, in the moderate colours of a phone's theme.
// Every index moves the bar and shifts the background's green, so two
// pictures differ by far more than the encoder's loss.
Pixels MakeScreen(int w, int h, int index) {
    Pixels p(static_cast<std::size_t>(w) * h);
    const int barTop = (index * 37) % std::max(1, h - 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            unsigned r = 60 + 100 * y / h, g = 90 + 20 * (index % 6), b = 190 - 90 * x / w;
            if (y >= barTop && y < barTop + 24)
                r = 210, g = 150 + 10 * (index % 4), b = 90;
            else if (y > h / 2 && y < h / 2 + h / 8 && x > 8 && x < w - 8)
                r = g = b = ((x * 3 + y * 5 + index) % 7 == 0) ? 30 : 215;
            p[static_cast<std::size_t>(y) * w + x] = 0xff000000u | r << 16 | g << 8 | b;
        }
    return p;
}

// The picture as the movie must show it, in bgr24: each pixel a scale x scale
// block from the top left of the ow x oh movie, the rest black.
Bytes ScaledBgr(const Pixels& p, int w, int h, int scale, int ow, int oh) {
    Bytes out(static_cast<std::size_t>(ow) * oh * 3, 0);
    for (int y = 0; y < h * scale; ++y)
        for (int x = 0; x < w * scale; ++x) {
            const std::uint32_t c = p[static_cast<std::size_t>(y / scale) * w + x / scale];
            std::uint8_t* o = &out[(static_cast<std::size_t>(y) * ow + x) * 3];
            o[0] = c & 0xff;
            o[1] = (c >> 8) & 0xff;
            o[2] = (c >> 16) & 0xff;
        }
    return out;
}

// PSNR of the luma (BT.709 weights) of two bgr24 pictures of n pixels. Luma
// is where the sharpness is: yuv420p keeps colour at half resolution by
// design, so colour edges between scaled pixels soften wherever a scale is
// odd. A wrong colour matrix or range costs more than 10 dB here.
double LumaPsnr(const std::uint8_t* a, const std::uint8_t* b, std::size_t n) {
    double sum = 0;
    for (std::size_t i = 0; i < n; ++i, a += 3, b += 3) {
        const double d = 0.0722 * (a[0] - b[0]) + 0.7152 * (a[1] - b[1]) + 0.2126 * (a[2] - b[2]);
        sum += d * d;
    }
    return sum == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 * double(n) / sum);
}

// The time of every frame ffmpeg decodes, in milliseconds.
std::vector<long> FrameTimes(const std::string& path) {
    std::istringstream lines(CommandOutput("ffprobe -v error -select_streams v:0 -show_entries "
                                           "frame=pts_time -of csv=p=0 '" +
                                           path + "'"));
    std::vector<long> times;
    for (std::string line; std::getline(lines, line);)
        if (!line.empty())
            times.push_back(std::lround(std::stod(line) * 1000.0));
    return times;
}

// Every decoded frame once, as it is stored (no frame rate conversion).
Bytes DecodeEveryFrame(const std::string& path) {
    const std::string out = CommandOutput("ffmpeg -nostdin -v error -i '" + path +
                                          "' -fps_mode passthrough -f rawvideo -pix_fmt bgr24 -");
    return Bytes(out.begin(), out.end());
}

struct Sent {
    Pixels pixels;
    long at;   // arrival, milliseconds since Open
    int w = 0; // its size when it is not the movie's first picture's
    int h = 0;
};

// A picture of w x h in a movie of ow x oh, by the rule the user sees: the
// largest whole factor that fits, centred on black; larger than the movie,
// shrunk to fit, its shape kept, each movie pixel the mean of the picture's
// pixels it covers. Sets bSmooth for the latter.
Bytes PlacedBgr(const Pixels& p, int w, int h, int ow, int oh, bool& bSmooth) {
    int scale = 1;
    while (w * (scale + 1) <= ow && h * (scale + 1) <= oh)
        ++scale;
    bSmooth = w > ow || h > oh;
    const double shrink = bSmooth ? std::min(double(ow) / w, double(oh) / h) : scale;
    const int pw = static_cast<int>(w * shrink + 1e-6), ph = static_cast<int>(h * shrink + 1e-6);
    const int x0 = (ow - pw) / 2, y0 = (oh - ph) / 2;
    Bytes out(static_cast<std::size_t>(ow) * oh * 3, 0);
    for (int y = 0; y < ph; ++y)
        for (int x = 0; x < pw; ++x) {
            double sum[3] = {0, 0, 0};
            int n = 0;
            for (int sy = int(y / shrink); sy < std::min(h, int((y + 1) / shrink + 0.999)); ++sy)
                for (int sx = int(x / shrink); sx < std::min(w, int((x + 1) / shrink + 0.999));
                     ++sx, ++n) {
                    const std::uint32_t c = p[static_cast<std::size_t>(sy) * w + sx];
                    sum[0] += c & 0xff, sum[1] += (c >> 8) & 0xff, sum[2] += (c >> 16) & 0xff;
                }
            std::uint8_t* o = &out[(static_cast<std::size_t>(y0 + y) * ow + x0 + x) * 3];
            for (int k = 0; k < 3; ++k)
                o[k] = static_cast<std::uint8_t>(std::lround(sum[k] / std::max(1, n)));
        }
    return out;
}

// Reads the movie back: H.264 in yuv420p of ow x oh; each picture sent shown
// from its arrival (within 20 ms); every decoded frame shows the last picture
// that arrived before it (repeats included) at a luma PSNR of at least 40 dB
// (36 dB at factor 1, 25 dB where it was shrunk): the first picture's size (w x h) at the
// factor scale from the top left, other sizes placed by PlacedBgr; no gap of
// more than a second between frames. Returns the frame times.
std::vector<long> ExpectMovie(const std::string& path, const std::vector<Sent>& sent, int w, int h,
                              int scale, long endMs, int ow = 0, int oh = 0) {
    if (ow == 0) {
        ow = (w * scale + 1) & ~1;
        oh = (h * scale + 1) & ~1;
    }
    auto stream = CommandOutput("ffprobe -v error -select_streams v:0 -show_entries "
                                "stream=codec_name,profile,pix_fmt,width,height,time_base -of "
                                "default=noprint_wrappers=1 '" +
                                path + "'");
    EXPECT_NE(stream.find("codec_name=h264\n"), std::string::npos) << stream;
    EXPECT_NE(stream.find("pix_fmt=yuv420p\n"), std::string::npos) << stream;
    EXPECT_NE(stream.find("profile=High\n"), std::string::npos) << stream;
    EXPECT_NE(stream.find("time_base=1/1000\n"), std::string::npos) << stream;
    EXPECT_NE(stream.find("width=" + std::to_string(ow) + "\n"), std::string::npos) << stream;
    EXPECT_NE(stream.find("height=" + std::to_string(oh) + "\n"), std::string::npos) << stream;

    const std::vector<long> times = FrameTimes(path);
    const Bytes decoded = DecodeEveryFrame(path);
    const std::size_t frameSize = static_cast<std::size_t>(ow) * oh * 3;
    EXPECT_EQ(decoded.size(), times.size() * frameSize) << "ffprobe and ffmpeg see the frames";
    if (decoded.size() != times.size() * frameSize || times.empty())
        return times;

    std::vector<Bytes> expected;
    std::vector<double> least;
    for (const Sent& s : sent) {
        bool smooth = false;
        if ((s.w == 0 || (s.w == w && s.h == h)) && scale > 0)
            expected.push_back(ScaledBgr(s.pixels, w, h, scale, ow, oh));
        else
            expected.push_back(PlacedBgr(s.pixels, s.w ? s.w : w, s.h ? s.h : h, ow, oh, smooth));
        // Fine text at factor 1 costs the encoder more than at a larger
        // factor; shrinking filters differ in their detail.
        const bool whole = s.w == 0 || (s.w == w && s.h == h) ? scale : 0;
        least.push_back(smooth ? 25.0 : (whole == 1 || (ow == s.w && !smooth)) ? 36.0 : 40.0);
    }
    for (std::size_t f = 0; f < times.size(); ++f) {
        std::size_t shown = 0;
        while (shown + 1 < sent.size() && sent[shown + 1].at <= times[f] + 20)
            ++shown;
        const double psnr =
            LumaPsnr(&decoded[f * frameSize], expected[shown].data(), frameSize / 3);
        EXPECT_GE(psnr, least[shown])
            << "frame " << f << " at " << times[f] << " ms, picture " << shown;
        if (f > 0) {
            EXPECT_GT(times[f], times[f - 1]);
            EXPECT_LE(times[f] - times[f - 1], 1000) << "a repeat at least every second";
        }
    }
    for (const Sent& s : sent) {
        bool found = false;
        for (long t : times)
            found = found || std::labs(t - s.at) <= 20;
        EXPECT_TRUE(found) << "no frame at the picture's arrival, " << s.at << " ms";
    }
    if (endMs >= 0) {
        EXPECT_LE(endMs - times.back(), 20) << "the last picture lasts to the end";
    }
    return times;
}

// A clock that a test moves by hand; the encoder thread reads it too.
struct CFakeClock {
    std::atomic<long> ms{0};
    lumetto::Mp4RecorderTuning Tuning() {
        lumetto::Mp4RecorderTuning t;
        t.clock = [this] { return Clock::time_point(std::chrono::milliseconds(ms.load())); };
        return t;
    }
};

struct SizeCase {
    const char* name;
    int w, h, scale; // scale 0: the recorder's choice
    int outScale;    // the factor the movie takes; 0: shrunk smoothly
    int outW, outH;
};

void PrintTo(const SizeCase& c, std::ostream* os) {
    *os << c.name;
}

class Mp4Movie : public ::testing::TestWithParam<SizeCase> {};

TEST_P(Mp4Movie, EveryPictureAtItsArrivalTimeAndSharp) {
    const SizeCase c = GetParam();
    CTempDir dir;
    const std::string path = dir.File("movie.mp4");
    CFakeClock clock;
    CMp4Recorder rec(clock.Tuning());
    ASSERT_TRUE(rec.Open(path, c.w, c.h, c.scale)) << rec.GetLastError();
    EXPECT_EQ(rec.Size().nScale, c.outScale);
    EXPECT_EQ(rec.Size().nWidth, c.outW);
    EXPECT_EQ(rec.Size().nHeight, c.outH);
    // Arrivals at least 100 ms apart, with a still second (a repeat) between
    // the third and the fourth.
    std::vector<Sent> sent;
    for (long at : {0L, 130L, 400L, 1650L, 1800L}) {
        clock.ms = at;
        sent.push_back({MakeScreen(c.w, c.h, int(sent.size())), at});
        ASSERT_TRUE(rec.AddFrame(reinterpret_cast<const std::uint8_t*>(sent.back().pixels.data()),
                                 std::size_t(c.w) * 4));
    }
    clock.ms = 2300;
    ASSERT_TRUE(rec.Close()) << rec.GetLastError();
    EXPECT_FALSE(rec.HasFailed());
    const lumetto::MovieStats stats = rec.Stats();
    EXPECT_EQ(stats.nFrames, 5);
    EXPECT_EQ(stats.nDropped, 0);
    EXPECT_DOUBLE_EQ(stats.dSeconds, 2.3);

    const auto times = ExpectMovie(path, sent, c.w, c.h, c.outScale, 2300, c.outW, c.outH);
    EXPECT_EQ(times.size(), 7u) << "five pictures, a repeat at 1400 ms and the end";
}

// Every size a phone may announce (up to 2048 on a side) and every skin
// picture is recorded: the factor keeps both sides within the encoder's
// 4096, and only a picture too large at factor 1 is shrunk.
INSTANTIATE_TEST_SUITE_P(
    Screens, Mp4Movie,
    ::testing::Values(SizeCase{"S60", 176, 208, 0, 4, 704, 832},
                      SizeCase{"UIQ", 208, 320, 0, 3, 624, 960},
                      SizeCase{"OddSidesPadded", 175, 99, 3, 3, 526, 298},
                      SizeCase{"PhoneInItsSkin", 232, 472, 4, 4, 928, 1888},
                      SizeCase{"WideLineFactorForBothSides", 2048, 1, 0, 2, 4096, 2},
                      SizeCase{"OddWideStrip", 2047, 3, 8, 2, 4094, 6},
                      SizeCase{"TallSkinOverAScreenSide", 1200, 2100, 0, 1, 1200, 2100},
                      SizeCase{"SkinBeyondTheEncoderShrunk", 5000, 600, 0, 0, 4096, 490}),
    [](const auto& info) { return std::string(info.param.name); });

// A phone that switches between screen sizes: one movie of the size it
// started with, each picture in it at the largest whole factor that fits,
// centred on black, shrunk smoothly when it is larger than the movie.
TEST(Mp4Recorder, OtherScreenSizesArePlacedInTheMovieOfTheFirst) {
    CTempDir dir;
    const std::string path = dir.File("switching.mp4");
    CFakeClock clock;
    CMp4Recorder rec(clock.Tuning());
    ASSERT_TRUE(rec.Open(path, 176, 208, 0)) << rec.GetLastError();
    const struct {
        int w, h;
    } sizes[] = {{176, 208}, {208, 320}, {2048, 1}, {176, 208}, {1000, 1000}, {208, 320}};
    std::vector<Sent> sent;
    for (const auto& size : sizes) {
        clock.ms = 150L * static_cast<long>(sent.size());
        sent.push_back({MakeScreen(size.w, size.h, int(sent.size())), clock.ms, size.w, size.h});
        ASSERT_TRUE(rec.AddFrame(reinterpret_cast<const std::uint8_t*>(sent.back().pixels.data()),
                                 size.w, size.h, std::size_t(size.w) * 4));
    }
    clock.ms = 1000;
    ASSERT_TRUE(rec.Close()) << rec.GetLastError();
    EXPECT_EQ(rec.Stats().nFrames, 6);
    const auto times = ExpectMovie(path, sent, 176, 208, 4, 1000);
    EXPECT_EQ(times.size(), 7u) << "six pictures and the end";
}

// The encoder is held still (the clock blocks on its thread) while pictures
// pour in: AddFrame never waits, the queue keeps its oldest pictures and the
// newest, the rest are dropped and counted.
TEST(Mp4Recorder, EncoderBehindDropsIntermediatePicturesNeverTheLast) {
    const int w = 176, h = 208, scale = 4, count = 60;
    CTempDir dir;
    const std::string path = dir.File("flood.mp4");
    std::atomic<long> now{0};
    std::mutex m;
    std::condition_variable cv;
    bool held = false, released = false;
    const auto testThread = std::this_thread::get_id();
    lumetto::Mp4RecorderTuning tuning;
    tuning.clock = [&] {
        if (std::this_thread::get_id() != testThread) {
            std::unique_lock<std::mutex> lock(m);
            held = true;
            cv.notify_all();
            cv.wait(lock, [&] { return released; });
        }
        return Clock::time_point(std::chrono::milliseconds(now.load()));
    };
    CMp4Recorder rec(tuning);
    ASSERT_TRUE(rec.Open(path, w, h, scale)) << rec.GetLastError();
    std::vector<Pixels> pictures;
    for (int i = 0; i < count; ++i)
        pictures.push_back(MakeScreen(w, h, i));
    const auto add = [&](int i) {
        now = 100L * i;
        return rec.AddFrame(reinterpret_cast<const std::uint8_t*>(pictures[i].data()), w * 4);
    };
    ASSERT_TRUE(add(0));
    {
        // The encoder has taken picture 0 and waits for the next.
        std::unique_lock<std::mutex> lock(m);
        ASSERT_TRUE(cv.wait_for(lock, std::chrono::seconds(60), [&] { return held; }));
    }
    for (int i = 1; i < count; ++i)
        ASSERT_TRUE(add(i)) << i;
    EXPECT_EQ(rec.Stats().nDropped, count - 1 - 8);
    {
        std::lock_guard<std::mutex> lock(m);
        released = true;
    }
    cv.notify_all();
    now = 100L * count;
    ASSERT_TRUE(rec.Close()) << rec.GetLastError();
    const lumetto::MovieStats stats = rec.Stats();
    EXPECT_EQ(stats.nFrames, 9);
    EXPECT_EQ(stats.nDropped, count - 9);

    std::vector<Sent> kept;
    for (int i : {0, 1, 2, 3, 4, 5, 6, 7, count - 1})
        kept.push_back({pictures[i], 100L * i});
    const auto times = ExpectMovie(path, kept, w, h, scale, 100L * count);
    EXPECT_EQ(times.size(), 9u + 5u + 1u) << "the kept pictures, 5 repeats, the end";
}

// A child records one still screen with the real clock and is killed with
// SIGKILL once ffprobe finds three seconds in the file: the movie plays up
// to its last second, repeats and all, though it was never closed.
TEST(Mp4Recorder, KilledRecordingPlaysUpToItsLastSecond) {
    const int w = 208, h = 320, scale = 3;
    CTempDir dir;
    const std::string path = dir.File("killed.mp4");
    const Pixels screen = MakeScreen(w, h, 5);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        CMp4Recorder rec;
        if (!rec.Open(path, w, h, scale) ||
            !rec.AddFrame(reinterpret_cast<const std::uint8_t*>(screen.data()), w * 4))
            ::_exit(1);
        for (;;)
            ::pause();
    }
    const auto deadline = Clock::now() + std::chrono::seconds(120);
    long last = -1;
    while (Clock::now() < deadline) {
        const auto times = FrameTimes(path);
        last = times.empty() ? -1 : times.back();
        if (last >= 3000)
            break;
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, WNOHANG), 0) << "the recorder ended by itself";
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_GE(last, 3000) << "three seconds never reached the file";
    const auto times = ExpectMovie(path, {{screen, 0}}, w, h, scale, -1);
    ASSERT_FALSE(times.empty());
    EXPECT_GE(times.back(), 3000);
    for (std::size_t f = 1; f < times.size(); ++f)
        EXPECT_EQ(times[f] - times[f - 1], 1000) << "repeats come once a second";
}

TEST(Mp4Recorder, RefusalsAndAFullDiskAreReportedAndLeaveNothingBehind) {
    CTempDir dir;
    CMp4Recorder rec;
    const Pixels s60 = MakeScreen(176, 208, 0);
    const auto* bits = reinterpret_cast<const std::uint8_t*>(s60.data());
    EXPECT_FALSE(rec.AddFrame(bits, 176 * 4)) << "no movie open";
    const struct {
        std::string path;
        int w, h, scale;
        const char* message;
    } refused[] = {
        {dir.File("a.mp4"), 0, 208, 4, "cannot be recorded"},
        {dir.File("a.mp4"), 176, 9000, 4, "cannot be recorded"},
        {dir.File("a.mp4"), 176, 208, -1, "cannot be recorded"},
        {dir.File("a.mp4"), 176, 208, 9, "cannot be recorded"},
        {dir.File("missing/a.mp4"), 176, 208, 4, std::strerror(ENOENT)},
        {dir.Path(), 176, 208, 4, "is a folder"},
    };
    for (const auto& r : refused) {
        EXPECT_FALSE(rec.Open(r.path, r.w, r.h, r.scale)) << r.path;
        EXPECT_FALSE(rec.IsOpen());
        EXPECT_NE(rec.GetLastError().find(r.message), std::string::npos) << rec.GetLastError();
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.Dir()));
    EXPECT_TRUE(rec.Close()) << "nothing open";

    // A file size limit makes the writes fail (EFBIG, as a full disk gives
    // ENOSPC): in a child process, so the limit stays there. First not even
    // the header fits: no movie, and the message does not pretend one. Then
    // the disk fills after a few fragments: the file ends cleanly where its
    // last complete fragment does, and the counts are what it holds.
    const std::string early = dir.File("early.mp4"), full = dir.File("full.mp4");
    const std::string counts = dir.File("counts");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        rlimit limit{100, 300 * 1024};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        CMp4Recorder first;
        bool ok = !first.Open(early, 176, 208, 4);
        ok = ok && first.GetLastError().find(std::strerror(EFBIG)) != std::string::npos &&
             first.GetLastError().find("keeps") == std::string::npos &&
             !std::filesystem::exists(early);
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_FSIZE, &limit);
        CFakeClock clock;
        lumetto::Mp4RecorderTuning tuning = clock.Tuning();
        tuning.nQueueLimit = 256; // none dropped
        CMp4Recorder movie(tuning);
        ok = ok && movie.Open(full, 176, 208, 4);
        for (int i = 0; ok && i < 200 && !movie.HasFailed(); ++i) {
            clock.ms = 250L * i;
            const Pixels p = MakeScreen(176, 208, i * 5);
            movie.AddFrame(reinterpret_cast<const std::uint8_t*>(p.data()), 176 * 4);
        }
        ok = ok && !movie.Close() && movie.HasFailed();
        const std::string error = movie.GetLastError();
        ok = ok && error.find("\"" + full + "\"") != std::string::npos &&
             error.find(std::strerror(EFBIG)) != std::string::npos;
        ok = ok && !movie.AddFrame(bits, 176 * 4);
        if (!ok)
            std::fprintf(stderr, "%s\n", error.c_str());
        std::ofstream(counts) << movie.Stats().nFrames << " " << movie.Stats().dSeconds;
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    long long frames = -1;
    double seconds = -1;
    std::ifstream(counts) >> frames >> seconds;
    const std::vector<long> times = FrameTimes(full);
    EXPECT_GT(frames, 2) << "some fragments fit";
    EXPECT_EQ(static_cast<long long>(times.size()), frames) << "pictures every 250 ms, no repeats";
    ASSERT_FALSE(times.empty());
    EXPECT_NEAR(seconds * 1000.0, double(times.back() + 250), 1.0) << "up to the cut fragment";
    const std::string errors =
        moviesupport::CommandOutput("ffmpeg -nostdin -v error -i '" + full + "' -f null - 2>&1");
    EXPECT_EQ(errors, "") << "the file ends cleanly";
}

} // namespace
