// A movie beyond 2 GiB: OpenDML continuation lists that ffprobe counts whole.
// It writes about 2.1 GiB to the temporary folder (some 15 s with the
// sanitizers) and removes it; with less free space there it is skipped.
#include "media/AviRecorder.h"

#include "MovieTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

using namespace moviesupport;

TEST(LargeMovie, OpenDmlMovieBeyondTwoGiBIsCountedWhole) {
    const int w = 208, h = 320;
    const std::uint32_t sample = 624 * 320;
    const std::uint64_t target = (std::uint64_t{21} << 30) / 10; // 2.1 GiB
    const int frames = static_cast<int>(target / (8 + sample)) + 1;
    const auto space = std::filesystem::space(std::filesystem::temp_directory_path());
    if (space.available < target + (std::uint64_t{1} << 30))
        GTEST_SKIP() << "needs 3.1 GiB free in the temporary folder";
    CTempDir dir;
    const std::string path = dir.File("large.avi");

    // One picture, its first pixels stamped with the frame number.
    Bytes picture = MakePicture(w, h, 0);
    const auto started = std::chrono::steady_clock::now();
    {
        lumetto::CAviRecorder rec;
        ASSERT_TRUE(rec.Open(path, w, h)) << rec.GetLastError();
        for (int i = 0; i < frames; ++i) {
            std::memcpy(picture.data(), &i, sizeof i);
            ASSERT_TRUE(rec.WriteFrame(picture.data(), picture.size())) << rec.GetLastError();
        }
        ASSERT_TRUE(rec.Close()) << rec.GetLastError();
    }
    const auto written = std::chrono::steady_clock::now();
    EXPECT_GT(std::filesystem::file_size(path), std::uint64_t{2} << 30);

    // Only the header and indexes are read here, not the frames.
    ExpectOpenDmlStructure(CMovieFile(path), static_cast<std::uint32_t>(frames), sample);
    EXPECT_EQ(DescribedFrames(CMovieFile(path)), frames);

    auto probe = Probe(path);
    EXPECT_EQ(probe["nb_read_frames"], std::to_string(frames));
    EXPECT_EQ(probe["nb_frames"], std::to_string(frames));
    EXPECT_NEAR(std::stod(probe["duration"]), 0.2 * frames, 1e-3);

    // The last frame decodes to the last picture written.
    const Bytes last = [&] {
        const std::string out = moviesupport::CommandOutput(
            "ffmpeg -nostdin -v error -i '" + path + "' -vf 'select=eq(n\\," +
            std::to_string(frames - 1) + ")' -vsync 0 -f rawvideo -pix_fmt bgr24 -");
        return Bytes(out.begin(), out.end());
    }();
    EXPECT_TRUE(last == TopDownBgr(picture, w, h)) << "last frame differs";
    const auto checked = std::chrono::steady_clock::now();
    using std::chrono::duration_cast;
    using std::chrono::seconds;
    std::printf("%d frames: written in %lld s, read back in %lld s\n", frames,
                static_cast<long long>(duration_cast<seconds>(written - started).count()),
                static_cast<long long>(duration_cast<seconds>(checked - written).count()));
}
