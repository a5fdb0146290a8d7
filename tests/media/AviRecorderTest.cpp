// The movie writer, checked by reading its files back with ffprobe and ffmpeg
// and by reading the header fields at their offsets.
#include "media/AviRecorder.h"

#include "MovieTestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

using namespace moviesupport;
using lumetto::CAviRecorder;
using lumetto::DibRowStride;
namespace avi = lumetto::avi;

namespace {

// Writes frames 0..count-1 of the test pictures; returns the pictures.
std::vector<Bytes> Record(CAviRecorder& rec, int w, int h, int count, bool slack = true) {
    std::vector<Bytes> written;
    for (int i = 0; i < count; ++i) {
        Bytes p = MakePicture(w, h, i, slack);
        EXPECT_TRUE(rec.WriteFrame(p.data(), p.size())) << rec.GetLastError();
        written.push_back(std::move(p));
    }
    return written;
}

// What ffmpeg must decode: the first `count` pictures, top-down.
Bytes Expected(const std::vector<Bytes>& pictures, int w, int h, std::size_t count) {
    Bytes out;
    for (std::size_t i = 0; i < count && i < pictures.size(); ++i) {
        const Bytes f = TopDownBgr(pictures[i], w, h);
        out.insert(out.end(), f.begin(), f.end());
    }
    return out;
}

// Checks that ffmpeg decodes exactly the first `count` pictures.
void ExpectFrames(const std::string& path, const std::vector<Bytes>& pictures, int w, int h,
                  std::size_t count) {
    const Bytes decoded = DecodeFrames(path);
    const std::size_t frameSize = static_cast<std::size_t>(3 * w * h);
    ASSERT_EQ(decoded.size() % frameSize, 0u);
    EXPECT_EQ(decoded.size() / frameSize, count);
    EXPECT_TRUE(decoded == Expected(pictures, w, h, count)) << "pixels differ";
}

// A clock that a test moves by hand.
struct CFakeClock {
    std::chrono::steady_clock::time_point now{};
    lumetto::AviRecorderTuning Tuning(std::uint64_t riffLimit = avi::kRiffLimit) {
        lumetto::AviRecorderTuning t;
        t.clock = [this] { return now; };
        t.nRiffLimit = riffLimit;
        return t;
    }
};

lumetto::AviRecorderTuning WithRiffLimit(std::uint64_t riffLimit) {
    lumetto::AviRecorderTuning t;
    t.nRiffLimit = riffLimit;
    return t;
}

struct MovieCase {
    const char* name;
    int w, h, frames;
    bool slack;
};

void PrintTo(const MovieCase& c, std::ostream* os) {
    *os << c.name;
}

class MovieRoundTrip : public ::testing::TestWithParam<MovieCase> {};

TEST_P(MovieRoundTrip, FfmpegReadsEveryFramePixelExact) {
    const MovieCase c = GetParam();
    CTempDir dir;
    const std::string path = dir.File("movie.avi");
    CAviRecorder rec;
    ASSERT_TRUE(rec.Open(path, c.w, c.h)) << rec.GetLastError();
    const auto pictures = Record(rec, c.w, c.h, c.frames, c.slack);
    EXPECT_EQ(rec.GetFrameCount(), c.frames);
    ASSERT_TRUE(rec.Close()) << rec.GetLastError();

    auto probe = Probe(path);
    EXPECT_EQ(probe["width"], std::to_string(c.w));
    EXPECT_EQ(probe["height"], std::to_string(c.h));
    EXPECT_EQ(probe["r_frame_rate"], "5/1");
    EXPECT_EQ(probe["nb_frames"], std::to_string(c.frames));
    EXPECT_EQ(probe["nb_read_frames"], std::to_string(c.frames));
    EXPECT_NEAR(std::stod(probe["duration"]), 0.2 * c.frames, 1e-6);
    EXPECT_EQ(DescribedFrames(ReadFile(path)), c.frames);
    ExpectFrames(path, pictures, c.w, c.h, c.frames);
}

INSTANTIATE_TEST_SUITE_P(Screens, MovieRoundTrip,
                         ::testing::Values(MovieCase{"S60", 176, 208, 7, true},
                                           MovieCase{"UIQ", 208, 320, 5, true},
                                           MovieCase{"OddWidth", 174, 100, 6, true},
                                           MovieCase{"NoSlackRow", 176, 208, 3, false},
                                           MovieCase{"OddSample", 1, 3, 4, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AviRecorder, HeaderFieldsAndIndexAtTheirOffsets) {
    CTempDir dir;
    const std::string path = dir.File("s60.avi");
    const int w = 176, h = 208, frames = 3;
    const std::uint32_t sample = 528 * 208;
    {
        CAviRecorder rec;
        ASSERT_TRUE(rec.Open(path, w, h));
        Record(rec, w, h, frames);
        ASSERT_TRUE(rec.Close());
    }
    const Bytes f = ReadFile(path);
    const std::size_t moviData = avi::kHeaderSize;
    const std::size_t idx1 = moviData + frames * (8 + sample);
    ASSERT_EQ(f.size(), idx1 + 8 + 16 * frames);

    const struct {
        std::size_t at;
        std::uint32_t value;
        const char* what;
    } fields[] = {
        {4, static_cast<std::uint32_t>(f.size() - 8), "RIFF size"},
        {16, 4588, "hdrl size"},
        {28, 56, "avih size"},
        {32, 200000, "microseconds per frame"},
        {36, sample * 5, "bytes per second"},
        {44, 0x10, "flags: has index"},
        {48, frames, "avih total frames"},
        {56, 1, "streams"},
        {60, sample, "avih suggested buffer"},
        {64, w, "avih width"},
        {68, h, "avih height"},
        {92, 4244, "strl size"},
        {104, 56, "strh size"},
        {116, 0, "strh flags"},
        {124, 0, "strh initial frames"},
        {128, 200, "scale"},
        {132, 1000, "rate"},
        {136, 0, "start"},
        {140, frames, "strh length"},
        {144, 0, "strh suggested buffer"},
        {148, 0, "quality"},
        {152, 0, "sample size"},
        {156, 0, "rect left, top"},
        {160, w | (h << 16), "rect right, bottom"},
        {168, 40, "strf size"},
        {172, 40, "biSize"},
        {176, w, "biWidth"},
        {180, h, "biHeight (bottom-up)"},
        {184, 1 | (24 << 16), "planes, bit count"},
        {188, 0, "BI_RGB"},
        {192, 0, "biSizeImage"},
        {196, 0, "x pixels per metre"},
        {200, 0, "y pixels per metre"},
        {204, 0, "colours used"},
        {208, 0, "colours important"},
        {216, 4120, "super index placeholder size"},
        {4344, 260, "odml placeholder size"},
        {4612, static_cast<std::uint32_t>(idx1 - avi::kMoviFourCC), "movi size"},
        {idx1 + 4, 16 * frames, "idx1 size"},
    };
    for (const auto& field : fields)
        EXPECT_EQ(Le32(f, field.at), field.value) << field.what << " at " << field.at;

    const struct {
        std::size_t at;
        const char* code;
    } codes[] = {{0, "RIFF"},    {8, "AVI "},    {12, "LIST"},   {20, "hdrl"},
                 {24, "avih"},   {88, "LIST"},   {96, "strl"},   {100, "strh"},
                 {108, "vids"},  {112, "DIB "},  {164, "strf"},  {212, "JUNK"},
                 {4340, "JUNK"}, {4608, "LIST"}, {4616, "movi"}, {idx1, "idx1"}};
    for (const auto& code : codes)
        EXPECT_EQ(FourCC(f, code.at), code.code) << "at " << code.at;

    // Each sample holds exactly the height's rows; idx1 points at each of them.
    for (int i = 0; i < frames; ++i) {
        const std::size_t chunk = moviData + i * (8 + sample);
        EXPECT_EQ(FourCC(f, chunk), "00db");
        EXPECT_EQ(Le32(f, chunk + 4), sample);
        const std::size_t entry = idx1 + 8 + 16 * i;
        EXPECT_EQ(FourCC(f, entry), "00db");
        EXPECT_EQ(Le32(f, entry + 4), 0x10u) << "key frame";
        EXPECT_EQ(Le32(f, entry + 8), chunk - avi::kMoviFourCC);
        EXPECT_EQ(Le32(f, entry + 12), sample);
        const Bytes picture = MakePicture(w, h, i);
        EXPECT_TRUE(std::equal(picture.begin(), picture.begin() + sample, f.begin() + chunk + 8));
    }
}

TEST(AviRecorder, OpenDmlMovieReadsBackWhole) {
    // A RIFF limit of 1 MiB makes S60 frames roll over every 9 frames.
    CTempDir dir;
    const std::string path = dir.File("odml.avi");
    const int w = 176, h = 208, frames = 40;
    CFakeClock clock;
    CAviRecorder rec(clock.Tuning(1 << 20));
    ASSERT_TRUE(rec.Open(path, w, h));
    const auto pictures = Record(rec, w, h, frames);
    ASSERT_TRUE(rec.Close()) << rec.GetLastError();

    ExpectOpenDmlStructure(ReadFile(path), frames, 528 * 208);
    EXPECT_EQ(DescribedFrames(ReadFile(path)), frames);
    auto probe = Probe(path);
    EXPECT_EQ(probe["nb_read_frames"], std::to_string(frames));
    EXPECT_EQ(probe["nb_frames"], std::to_string(frames));
    EXPECT_EQ(probe["r_frame_rate"], "5/1");
    ExpectFrames(path, pictures, w, h, frames);
}

TEST(AviRecorder, FullSuperIndexStopsTheMovieWhole) {
    // A RIFF limit of one byte gives every frame a RIFF list of its own.
    CTempDir dir;
    const std::string path = dir.File("full.avi");
    const int slots = static_cast<int>(avi::kSuperIndexSlots);
    CAviRecorder rec(WithRiffLimit(1));
    ASSERT_TRUE(rec.Open(path, 1, 3));
    const auto pictures = Record(rec, 1, 3, slots);
    const Bytes one_more = MakePicture(1, 3, slots);
    EXPECT_FALSE(rec.WriteFrame(one_more.data(), one_more.size()));
    EXPECT_NE(rec.GetLastError().find("largest size"), std::string::npos) << rec.GetLastError();
    EXPECT_EQ(rec.GetFrameCount(), slots);
    ASSERT_TRUE(rec.Close()) << rec.GetLastError();
    ExpectOpenDmlStructure(ReadFile(path), slots, 12);
    ExpectFrames(path, pictures, 1, 3, slots);
}

TEST(AviRecorder, RefusesWhatItCannotRecordAndKeepsTheMovieWhole) {
    CTempDir dir;
    CAviRecorder rec;
    // Sizes it cannot record.
    for (auto [w, h] : {std::pair{0, 208}, {176, 0}, {-176, 208}, {176, 5000}}) {
        EXPECT_FALSE(rec.Open(dir.File("bad.avi"), w, h)) << w << "x" << h;
        EXPECT_FALSE(rec.IsOpen());
        EXPECT_FALSE(std::filesystem::exists(dir.File("bad.avi")));
    }
    // A folder that does not exist.
    EXPECT_FALSE(rec.Open(dir.File("missing/movie.avi"), 176, 208));
    EXPECT_NE(rec.GetLastError().find(std::strerror(ENOENT)), std::string::npos)
        << rec.GetLastError();
    EXPECT_NE(rec.GetLastError().find("missing/movie.avi"), std::string::npos);
    // A name that leads to a device: refused with a message, the link and
    // the device left as they were.
    const std::string full = dir.File("full.avi");
    if (::access("/dev/full", W_OK) == 0 && ::symlink("/dev/full", full.c_str()) == 0) {
        EXPECT_FALSE(rec.Open(full, 176, 208));
        EXPECT_NE(rec.GetLastError().find("is not a regular file"), std::string::npos)
            << rec.GetLastError();
        EXPECT_TRUE(std::filesystem::is_symlink(full));
        EXPECT_TRUE(std::filesystem::is_character_file("/dev/full"));
    }
    // Frames before Open.
    const Bytes s60 = MakePicture(176, 208, 0);
    EXPECT_FALSE(rec.WriteFrame(s60.data(), s60.size()));

    const std::string path = dir.File("movie.avi");
    ASSERT_TRUE(rec.Open(path, 176, 208));
    const auto pictures = Record(rec, 176, 208, 2);
    const Bytes uiq = MakePicture(208, 320, 0);
    const struct {
        const std::uint8_t* bits;
        std::size_t size;
        const char* what;
    } refused[] = {
        {nullptr, s60.size(), "no picture"},
        {s60.data(), s60.size() - 1, "one byte short"},
        {s60.data(), s60.size() + 1, "one byte over"},
        {uiq.data(), uiq.size(), "another screen size"},
    };
    for (const auto& r : refused) {
        EXPECT_FALSE(rec.WriteFrame(r.bits, r.size)) << r.what;
        EXPECT_FALSE(rec.GetLastError().empty()) << r.what;
        EXPECT_EQ(rec.GetFrameCount(), 2) << r.what;
    }
    ASSERT_TRUE(rec.Close());
    EXPECT_TRUE(rec.Close()) << "closing twice is harmless";
    ExpectFrames(path, pictures, 176, 208, 2);
}

TEST(AviRecorder, SecondMovieStartsAtFrameZeroAndDestructorFinishesIt) {
    CTempDir dir;
    std::vector<Bytes> second;
    {
        CAviRecorder rec;
        ASSERT_TRUE(rec.Open(dir.File("one.avi"), 176, 208));
        Record(rec, 176, 208, 4);
        ASSERT_TRUE(rec.Open(dir.File("two.avi"), 176, 208)) << "finishes the first";
        EXPECT_EQ(rec.GetFrameCount(), 0);
        second = Record(rec, 176, 208, 2);
    } // no Close: the destructor finishes the movie
    EXPECT_EQ(Probe(dir.File("one.avi"))["nb_frames"], "4");
    EXPECT_EQ(Probe(dir.File("two.avi"))["nb_frames"], "2");
    EXPECT_EQ(Le32(ReadFile(dir.File("two.avi")), 44), 0x10u) << "idx1 written";
    ExpectFrames(dir.File("two.avi"), second, 176, 208, 2);
}

// ---- A writer that dies mid-recording --------------------------------------

struct CrashCase {
    const char* name;
    std::uint64_t riffLimit;
};

void PrintTo(const CrashCase& c, std::ostream* os) {
    *os << c.name;
}

class KilledWriter : public ::testing::TestWithParam<CrashCase> {};

TEST_P(KilledWriter, MoviePlaysUpToTheLastHeaderRewrite) {
    // The child writes 23 frames 200 ms apart on its clock, says so and waits
    // to be killed. The header was rewritten within the last second (5 frames).
    const int w = 176, h = 208, written = 23;
    CTempDir dir;
    const std::string path = dir.File("killed.avi");
    int ready[2], hold[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(hold), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        CFakeClock clock;
        CAviRecorder rec(clock.Tuning(GetParam().riffLimit));
        if (!rec.Open(path, w, h))
            ::_exit(2);
        for (int i = 0; i < written; ++i) {
            clock.now += std::chrono::milliseconds(200);
            const Bytes p = MakePicture(w, h, i);
            if (!rec.WriteFrame(p.data(), p.size()))
                ::_exit(3);
        }
        char c = 'w';
        (void)!::write(ready[1], &c, 1);
        (void)!::read(hold[0], &c, 1); // until killed
        ::_exit(4);
    }
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1) << "the child could not record";
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status));
    for (int fd : {ready[0], ready[1], hold[0], hold[1]})
        ::close(fd);

    std::vector<Bytes> pictures;
    for (int i = 0; i < written; ++i)
        pictures.push_back(MakePicture(w, h, i));
    const Bytes f = ReadFile(path);
    const std::uint32_t covered = Le32(f, 140); // strh length at the last rewrite
    EXPECT_GE(covered, std::uint32_t{written - 5});
    EXPECT_LE(covered, std::uint32_t{written});
    const long described = DescribedFrames(f);
    EXPECT_GE(described, long{covered}) << "the RIFF and movi sizes cover the counted frames";
    EXPECT_LE(described, long{written});
    const auto countRead = [&] { return std::stoul("0" + Probe(path)["nb_read_frames"]); };
    const unsigned long n = countRead();
    EXPECT_GE(n, covered);
    EXPECT_LE(n, written);
    ExpectFrames(path, pictures, w, h, n);

    // Dying in the middle of a frame leaves a torn chunk at the end.
    Bytes torn = {'0', '0', 'd', 'b'};
    for (int i = 0; i < 4; ++i)
        torn.push_back(static_cast<std::uint8_t>((528 * 208) >> (8 * i)));
    torn.resize(torn.size() + 50000, 0x42);
    AppendToFile(path, torn);
    const unsigned long nTorn = countRead();
    EXPECT_GE(nTorn, covered);
    EXPECT_LE(nTorn, written);
    ExpectFrames(path, pictures, w, h, nTorn);
}

INSTANTIATE_TEST_SUITE_P(Layouts, KilledWriter,
                         ::testing::Values(CrashCase{"OneRiff", avi::kRiffLimit},
                                           CrashCase{"OpenDml", 1 << 20}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Write errors ----------------------------------------------------------

struct LimitCase {
    const char* name;
    std::uint64_t riffLimit;
    int fitting;       // frames that fit under the file size limit
    std::int64_t room; // bytes allowed beyond them (negative: fewer)
    bool closeOk;      // whether the index still fits
};

void PrintTo(const LimitCase& c, std::ostream* os) {
    *os << c.name;
}

class FileSizeLimit : public ::testing::TestWithParam<LimitCase> {};

TEST_P(FileSizeLimit, WriteFailsWithTheSystemTextAndTheMoviePlays) {
    const LimitCase c = GetParam();
    const int w = 176, h = 208;
    CTempDir dir;
    // The size of the movie after `fitting` frames, learnt from an unlimited one.
    off_t sizeAfter = 0;
    {
        CAviRecorder rec(WithRiffLimit(c.riffLimit));
        ASSERT_TRUE(rec.Open(dir.File("free.avi"), w, h));
        Record(rec, w, h, c.fitting);
        struct stat st {};
        ::stat(dir.File("free.avi").c_str(), &st);
        sizeAfter = st.st_size;
    }
    const std::string path = dir.File("limited.avi");
    const off_t limit = sizeAfter + c.room;
    int report[2];
    ASSERT_EQ(::pipe(report), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        rlimit rl{static_cast<rlim_t>(limit), static_cast<rlim_t>(limit)};
        ::setrlimit(RLIMIT_FSIZE, &rl);
        CAviRecorder rec(WithRiffLimit(c.riffLimit));
        int code = 0;
        if (!rec.Open(path, w, h))
            ::_exit(10);
        int i = 0;
        for (; i < c.fitting + 5; ++i) {
            const Bytes p = MakePicture(w, h, i);
            if (!rec.WriteFrame(p.data(), p.size()))
                break;
        }
        if (rec.GetFrameCount() != i)
            code |= 1;
        if (rec.GetLastError().find(std::strerror(EFBIG)) == std::string::npos)
            code |= 2;
        const Bytes p = MakePicture(w, h, i);
        if (rec.WriteFrame(p.data(), p.size()) || rec.GetFrameCount() != i)
            code |= 4; // a retry fails the same way
        if (rec.Close() != c.closeOk)
            code |= 8;
        const int frames = rec.GetFrameCount();
        (void)!::write(report[1], &frames, sizeof frames);
        ::_exit(code);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    int frames = -1;
    ASSERT_EQ(::read(report[0], &frames, sizeof frames), static_cast<ssize_t>(sizeof frames));
    ::close(report[0]);
    ::close(report[1]);
    ASSERT_TRUE(WIFEXITED(status)) << "the child died of signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1 count, 2 error text, 4 retry, 8 close result";
    EXPECT_EQ(frames, c.fitting);
    EXPECT_LE(std::filesystem::file_size(path), static_cast<std::uintmax_t>(limit));

    std::vector<Bytes> pictures;
    for (int i = 0; i < c.fitting; ++i)
        pictures.push_back(MakePicture(w, h, i));
    EXPECT_EQ(DescribedFrames(ReadFile(path)), c.fitting);
    EXPECT_EQ(Probe(path)["nb_read_frames"], std::to_string(c.fitting));
    ExpectFrames(path, pictures, w, h, c.fitting);
}

INSTANTIATE_TEST_SUITE_P(
    Limits, FileSizeLimit,
    ::testing::Values(LimitCase{"RoomForTheIndex", avi::kRiffLimit, 10, 60000, true},
                      LimitCase{"NoRoomForTheIndex", avi::kRiffLimit, 10, 100, false},
                      // the limit falls where the first RIFF's indexes are written
                      LimitCase{"AtTheOpenDmlRollover", 1 << 20, 9, 100, false},
                      // the indexes fit, the next RIFF's first frame does not
                      LimitCase{"AfterTheOpenDmlRollover", 1 << 20, 9, 300, true},
                      LimitCase{"InsideAContinuation", 1 << 20, 13, 60000, true}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
