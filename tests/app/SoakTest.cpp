// A long run of the whole program: frames through a pseudo-terminal at full
// speed while a movie records and screenshots are taken now and then. The
// resident size stays flat after warm-up, no descriptor leaks, and every
// frame arrives.
//
// CI runs 3,000 frames; LUMETTO_LONG_TESTS=1 runs 100,000, and
// LUMETTO_SOAK_FRAMES=N any other number (see tests/app/README.md).
#include "tests/app/PhoneFlood.h"
#include "tests/app/PhoneLine.h"

#include "media/AviRecorder.h"
#include "media/MovieEncoder.h"
#include "res/ResourceIds.h"

#include <dirent.h>
#include <filesystem>
#include <fstream>

// Freed memory is reused at once rather than held back to catch late uses,
// so that the resident size shows what the program keeps.
extern "C" const char* __asan_default_options() {
    return "quarantine_size_mb=0";
}

namespace fs = std::filesystem;
using namespace reliability;
using testsupport::WaitFor;

namespace {

long long ResidentBytes() {
    std::ifstream in("/proc/self/statm");
    long long size = 0, resident = 0;
    in >> size >> resident;
    return resident * ::sysconf(_SC_PAGESIZE);
}

int OpenDescriptors() {
    int n = 0;
    if (DIR* d = ::opendir("/proc/self/fd")) {
        while (const dirent* e = ::readdir(d))
            n += e->d_name[0] != '.';
        ::closedir(d);
    }
    return n - 1; // the listing's own
}

long long SoakFrames() {
    if (const char* v = std::getenv("LUMETTO_SOAK_FRAMES"))
        return std::atoll(v);
    return LongRun() ? 100000 : 3000;
}

} // namespace

TEST(Soak, FramesWithRecordingAndScreenshots) {
    const long long nFrames = SoakFrames();
    const long long nCaptureEvery = std::max<long long>(nFrames / 20, 50);
    CProgram p;
    ASSERT_TRUE(p.Start());
    CPhoneFlood flood(32);
    flood.Start(p.phone, nFrames, std::chrono::hours(24));
    ASSERT_TRUE(WaitFor([&] { return p.View()->HasLivePicture(); }));
    const fs::path movie = p.dir.Dir() / "soak.avi";
    p.dialogs.answer = movie.string();
    ASSERT_TRUE(p.Run(ID_FILE_RECORD_MOVIE));
    // The record command loads the video encoder module in the background in
    // case an MP4 is chosen; have it loaded before the warm-up is measured.
    std::string strNoEncoder;
    ASSERT_TRUE(lumetto::CreateMovieEncoder(strNoEncoder)) << strNoEncoder;

    long long nextCapture = nCaptureEvery;
    int nCaptures = 0;
    long long rssWarm = 0, rssPeak = 0;
    int fdsWarm = -1;
    const bool done = WaitFor(
        [&] {
            const long long sent = flood.Sent();
            if (sent >= nextCapture) {
                nextCapture += nCaptureEvery;
                p.dialogs.answer = p.dir.File("shot.bmp");
                if (p.Run(ID_FILE_CAPTURE_SCREEN) &&
                    fs::file_size(p.dir.File("shot.bmp")) == 110406u)
                    ++nCaptures;
                p.dialogs.answer = movie.string();
            }
            if (rssWarm == 0 && sent >= nFrames / 10) {
                rssWarm = ResidentBytes();
                fdsWarm = OpenDescriptors();
            }
            if (rssWarm != 0)
                rssPeak = std::max(rssPeak, ResidentBytes());
            return flood.Done() && ScreenBytes(p.View()) == Expected(flood.Last());
        },
        static_cast<int>(std::max<long long>(nFrames * 50, 600000)));
    ASSERT_TRUE(done) << flood.Sent() << " of " << nFrames << " frames sent";
    const long long rssEnd = ResidentBytes();
    const int fdsEnd = OpenDescriptors();
    ASSERT_TRUE(p.View()->IsRecording()) << p.Messages();
    const int nMovieFrames = p.View()->Recording().Recorder()->GetFrameCount();
    std::printf("soak: %lld frames, %d movie frames, %d screenshots; resident %.1f MiB after "
                "warm-up, %.1f MiB at the end, %.1f MiB at most; %d descriptors\n",
                nFrames, nMovieFrames, nCaptures, rssWarm / 1048576.0, rssEnd / 1048576.0,
                rssPeak / 1048576.0, fdsEnd);
    RecordProperty("rss_growth_bytes", std::to_string(rssPeak - rssWarm));

#if defined(__SANITIZE_THREAD__)
    // ThreadSanitizer's shadow memory grows with what it watches; the ASan
    // and plain builds hold the limit.
#else
    EXPECT_LT(rssPeak - rssWarm, 5ll << 20);
#endif
    EXPECT_EQ(fdsEnd, fdsWarm);
    EXPECT_GE(nCaptures, static_cast<int>(nFrames / nCaptureEvery) - 1);
    ASSERT_TRUE(p.Run(ID_FILE_STOP_RECORDING));
    ASSERT_TRUE(p.Run(ID_FILE_CLOSE_CONNECTION));
    EXPECT_EQ(p.app.Serial().ReceiverStats().screenFrames, static_cast<std::uint64_t>(nFrames));
    EXPECT_EQ(p.presenter.Count(), 0u) << p.Messages();
    EXPECT_EQ(fs::file_size(movie) > static_cast<std::uintmax_t>(nMovieFrames) * kFrameBytes, true);
}

// Connections opened and closed again and again, each with a picture and a
// short recording, leave no descriptor behind.
TEST(Soak, ConnectionsOpenedAndClosedLeaveNoDescriptors) {
    CProgram p;
    ASSERT_TRUE(p.Start());
    ASSERT_TRUE(p.Run(ID_FILE_CLOSE_CONNECTION));
    const int before = OpenDescriptors();
    for (int i = 0; i < 20; ++i) {
        SCOPED_TRACE(i);
        ASSERT_TRUE(p.Run(ID_FILE_OPEN_CONNECTION));
        ASSERT_TRUE(WaitFor([&] { return p.app.Serial().IsOpen(); }));
        const Picture pic = BlockPicture(i);
        ASSERT_TRUE(p.phone.Write(ScreenFrame(pic, nullptr)));
        ASSERT_TRUE(p.Shows(pic));
        p.dialogs.answer = p.dir.File("m.avi");
        ASSERT_TRUE(p.Run(ID_FILE_RECORD_MOVIE));
        ASSERT_TRUE(p.Run(ID_FILE_STOP_RECORDING));
        ASSERT_TRUE(p.Run(ID_FILE_CLOSE_CONNECTION));
        // The closing marker reached the phone; take it off the line.
        ASSERT_TRUE(WaitFor([&] { return p.phone.Received().size() == 8u * (i + 1); }));
    }
    EXPECT_EQ(OpenDescriptors(), before);
    EXPECT_EQ(p.presenter.Count(), 0u) << p.Messages();
}
