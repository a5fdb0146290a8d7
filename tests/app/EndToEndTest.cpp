// The programs as a user runs them: lumetto-phone (or the test as the phone)
// on a pseudo-terminal and lumetto without a window, recording and
// capturing; lumetto's answers to mistakes on a machine without a display.
#include "tests/app/PhoneLine.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/MovieFrames.h"
#include "tests/support/TempFolder.h"

#include <QColor>
#include <QImage>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace fs = std::filesystem;
using testsupport::CChildProcess;
using testsupport::Environment;
using testsupport::MovieFrames;
using Bytes = std::vector<std::uint8_t>;
using reliability::CPhoneLine;
using reliability::Picture;

namespace {

// A picture in 12-bit colours, so it arrives exactly, saved as PNG; returns
// its pixels top-down as blue, green, red.
Bytes MakePicture(const fs::path& file, int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    Bytes bgr;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int r = ((x / 11) % 16) * 17, g = ((y / 13) % 16) * 17, b = ((x + y) % 16) * 17;
            img.setPixelColor(x, y, QColor(r, g, b));
            bgr.insert(bgr.end(), {std::uint8_t(b), std::uint8_t(g), std::uint8_t(r)});
        }
    EXPECT_TRUE(img.save(QString::fromStdString(file.string())));
    return bgr;
}

Bytes ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

} // namespace

TEST(EndToEnd, RecordsAndCapturesWhatThePhoneSends) {
    CTempFolder dir;
    const Bytes picture = MakePicture(dir.Dir() / "screen.png", 176, 208);
    CChildProcess phone("lumetto-phone", {"--pty", "--fps", "20", "--rate", "0",
                                          (dir.Dir() / "screen.png").string()});
    const std::string port = phone.ReadLine();
    ASSERT_EQ(port.rfind("/dev/", 0), 0u) << phone.Stderr();

    const fs::path movie = dir.Dir() / "movie.avi", shot = dir.Dir() / "shot.bmp";
    CChildProcess lumetto("lumetto", {"--port", port, "--no-window", "--record", movie.string(),
                                      "--capture", shot.string(), "--time-limit", "3"});
    ASSERT_EQ(lumetto.Wait(), 0) << lumetto.Stderr();

    // The screenshot: header, the picture bottom-up, the white slack row on top.
    const Bytes bmp = ReadAll(shot);
    ASSERT_EQ(bmp.size(), 110406u);
    Bytes bottomUp;
    for (int y = 207; y >= 0; --y)
        bottomUp.insert(bottomUp.end(), picture.begin() + y * 528, picture.begin() + (y + 1) * 528);
    EXPECT_TRUE(Bytes(bmp.begin() + 54, bmp.end() - 528) == bottomUp);
    EXPECT_EQ(Bytes(bmp.end() - 528, bmp.end()), Bytes(528, 0xFF));

    // The movie: whole frames of the picture, the last one included.
    const Bytes frames = MovieFrames(movie);
    ASSERT_GE(frames.size(), 5 * picture.size());
    ASSERT_EQ(frames.size() % picture.size(), 0u);
    EXPECT_TRUE(Bytes(frames.end() - picture.size(), frames.end()) == picture);
}

// The phone closes: the run ends, and --capture saves the picture last
// shown, though the phone's close hid it.
TEST(EndToEnd, EndsWhenThePhoneClosesAndCapturesItsLastPicture) {
    CTempFolder dir;
    const Bytes picture = MakePicture(dir.Dir() / "screen.png", 176, 208);
    CChildProcess phone("lumetto-phone", {"--pty", "--fps", "20", "--rate", "0", "--frames", "10",
                                          "--close", (dir.Dir() / "screen.png").string()});
    const std::string port = phone.ReadLine();
    ASSERT_EQ(port.rfind("/dev/", 0), 0u) << phone.Stderr();
    const fs::path shot = dir.Dir() / "shot.bmp";
    CChildProcess lumetto(
        "lumetto", {"--port", port, "--no-window", "--exit-on-close", "--capture", shot.string()});
    EXPECT_EQ(lumetto.Wait(), 0) << lumetto.Stderr();
    const Bytes bmp = ReadAll(shot);
    ASSERT_EQ(bmp.size(), 110406u);
    EXPECT_EQ(Bytes(bmp.begin() + 54 + 207 * 528, bmp.begin() + 54 + 208 * 528),
              Bytes(picture.begin(), picture.begin() + 528)); // the top row, last in the file
}

// A port that does not exist: --no-reconnect gives up at once; otherwise the
// phone is waited for until the time limit, which then ends the run with 1.
TEST(EndToEnd, PortThatCannotOpenFailsWithoutAWindow) {
    CChildProcess lumetto("lumetto",
                          {"--port", "/dev/nonexistent-port", "--no-window", "--no-reconnect"});
    EXPECT_EQ(lumetto.Wait(), 1);
    // Every line starts with the program's name; the box's caption is not printed.
    EXPECT_EQ(lumetto.Stderr(), "lumetto: No such file or directory\n"
                                "lumetto: /dev/nonexistent-port does not exist. Check that the "
                                "phone is connected.\n");

    CChildProcess waits("lumetto",
                        {"--port", "/dev/nonexistent-port", "--no-window", "--time-limit", "1.5"});
    EXPECT_EQ(waits.Wait(), 1);
    const std::string err = waits.Stderr();
    EXPECT_NE(err.find(" /dev/nonexistent-port does not exist yet; waiting for the phone"),
              std::string::npos)
        << err;
    EXPECT_NE(err.find("lumetto: no picture came from /dev/nonexistent-port before the time "
                       "limit\n"),
              std::string::npos)
        << err;
}

// Without a window a lost connection is waited for too: the phone comes back
// under the same name and the program goes on. --no-reconnect ends the run.
TEST(EndToEnd, WithoutAWindowALostConnectionIsOpenedAgain) {
    for (const bool bReconnect : {true, false}) {
        SCOPED_TRACE(bReconnect ? "reconnect" : "--no-reconnect");
        CTempFolder dir;
        const fs::path link = dir.Dir() / "phone";
        CChildProcess first("lumetto-phone",
                            {"--pty", "--fps", "20", "--rate", "0", "--frames", "5"});
        const std::string port = first.ReadLine();
        ASSERT_EQ(port.rfind("/dev/", 0), 0u) << first.Stderr();
        fs::create_symlink(port, link);
        std::vector<std::string> args = {"--port", link.string(), "--no-window"};
        if (!bReconnect)
            args.push_back("--no-reconnect");
        CChildProcess lumetto("lumetto", args);
        // The phone sends its frames and goes: the line hangs up.
        ASSERT_EQ(first.Wait(), 0) << first.Stderr();
        fs::remove(link);
        if (!bReconnect) {
            EXPECT_EQ(lumetto.Wait(), 1);
            EXPECT_NE(lumetto.Stderr().find("lumetto: Input/output error\nlumetto: The "
                                            "connection on " +
                                            link.string() + " was lost"),
                      std::string::npos)
                << lumetto.Stderr();
            continue;
        }
        ASSERT_TRUE(lumetto.WaitForError("opening it again every second\n")) << lumetto.Stderr();
        CChildProcess second("lumetto-phone", {"--pty", "--fps", "20", "--rate", "0"});
        const std::string again = second.ReadLine();
        ASSERT_EQ(again.rfind("/dev/", 0), 0u) << second.Stderr();
        fs::create_symlink(again, link);
        ASSERT_TRUE(lumetto.WaitForError("is open again\n")) << lumetto.Stderr();
        lumetto.Signal(SIGTERM);
        EXPECT_EQ(lumetto.Wait(), 0) << lumetto.Stderr();
        EXPECT_EQ(lumetto.Stderr().find("Application Error"), std::string::npos);
    }
}

TEST(EndToEnd, HelpAndVersion) {
    CChildProcess help("lumetto", {"--help"});
    EXPECT_EQ(help.Wait(), 0);
    CChildProcess version("lumetto", {"--version"});
    EXPECT_EQ(version.ReadLine(), "Lumetto version 2.0");
    CChildProcess bad("lumetto", {"--frobnicate"});
    EXPECT_EQ(bad.Wait(), 2);
}

namespace {

// This process's environment without a display: what a server or a CI job
// without X or Wayland gives the program.
std::vector<std::string> NoDisplayEnvironment() {
    return Environment(
        {{"DISPLAY", nullptr}, {"WAYLAND_DISPLAY", nullptr}, {"QT_QPA_PLATFORM", ""}});
}

} // namespace

// Every mistake is answered before Qt starts: status 2 and the program's own
// message, never Qt's abort; without a display a window is refused plainly.
TEST(EndToEnd, MistakesAndAMissingDisplayAreAnsweredOnAnyMachine) {
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* said; // a part of the message
    };
    const Case cases[] = {
        {{"--time-limit", "-1"}, 2, "--time-limit needs a number of seconds above 0"},
        {{"--record", "-x.avi", "--bogus"}, 2, "Unknown option \"--bogus\""},
        {{"--demo", "--record", "talk.webm"}, 2, "--record needs a movie name ending in .avi, "},
        {{"--record-scale", "0"}, 2, "--record-scale needs a whole number from 1 to 8"},
        {{"--screen", "first"}, 2, "--screen needs a screen number"},
        {{"-x"}, 2, "Unknown option \"-x\""},
        {{"--demo", "--zoom=2"}, 2, "--zoom takes no value"},
        {{"somefile"}, 2, "Unexpected argument \"somefile\"."},
        {{"-platform", "offscreen", "--screen", "2", "--demo"},
         2,
         "--screen 2: there is no such screen. This desktop has 1 screen"},
        {{"--demo", "--capture", "shot.xyz"}, 2, "no picture format has the extension .xyz"},
        {{"--demo", "--skin", "No such phone"}, 2, "--skin \"No such phone\": no skin has"},
        {{"--demo"}, 1, "no display was found"},
        {{"-platform", "xcb", "--demo"}, 1, "--no-window"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.front());
        CChildProcess lumetto("lumetto", c.args, NoDisplayEnvironment());
        EXPECT_EQ(lumetto.Wait(), c.status) << lumetto.Stderr();
        const std::string err = lumetto.Stderr();
        EXPECT_EQ(err.rfind("lumetto: ", 0), 0u) << err;
        EXPECT_NE(err.find(c.said), std::string::npos) << err;
        if (c.status == 2) { // one line, then the hint as it is
            EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 2) << err;
            EXPECT_EQ(err.substr(err.find('\n') + 1), "See 'lumetto --help'.\n") << err;
        }
    }
}

// Unattended runs that cannot do what they were asked end with status 1 and
// say why: a movie that cannot be written, and a phone that never sends.
TEST(EndToEnd, UnattendedRunsThatFailSaySoInTheirStatus) {
    CTempFolder dir;
    CPhoneLine silent; // a phone that never sends
    const std::string movie = dir.File("never.mp4"), shot = dir.File("never.png");
    struct Case {
        std::vector<std::string> args;
        std::vector<std::string> said;
    };
    const Case cases[] = {
        // Ends at once, long before its time limit.
        {{"--demo", "--no-window", "--record", dir.File("no/such/x.avi"), "--time-limit", "600"},
         {"Could not initialize video stream", "no/such/x.avi"}},
        {{"--port", silent.Path(), "--no-window", "--record", movie, "--capture", shot,
          "--time-limit", "1"},
         {"nothing was recorded into \"" + movie, "the screenshot \"" + shot}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[2]);
        CChildProcess lumetto("lumetto", c.args);
        EXPECT_EQ(lumetto.Wait(), 1) << lumetto.Stderr();
        for (const std::string& part : c.said)
            EXPECT_NE(lumetto.Stderr().find(part), std::string::npos) << lumetto.Stderr();
    }
    EXPECT_FALSE(fs::exists(movie));
    EXPECT_FALSE(fs::exists(shot));
}

namespace {

// The frames and dropped pictures the program reported for a movie.
bool ReportedCounts(const std::string& err, const std::string& movie, long long& frames,
                    long long& dropped) {
    const std::string head = "lumetto: recorded \"" + movie + "\": ";
    const std::size_t at = err.find(head);
    return at != std::string::npos &&
           std::sscanf(err.c_str() + at + head.size(), "%lld frames (%lld dropped)", &frames,
                       &dropped) == 2;
}

using testsupport::CommandOutput;

// The pictures an MP4 movie at scale 2 shows, in order, as indices into
// `sent`: every frame as stored (no frame rate conversion), each matched to
// the picture it is closest to (H.264 is not exact); a picture shown for
// several frames counts once. ffprobe must count the same frames.
std::vector<int> PicturesShown(const fs::path& movie, const std::vector<Picture>& sent) {
    const int w = reliability::kWidth, h = reliability::kHeight;
    const std::size_t frameBytes = static_cast<std::size_t>(w * 2) * (h * 2) * 3;
    const std::string frames =
        CommandOutput("ffmpeg -nostdin -v error -i '" + movie.string() +
                      "' -fps_mode passthrough -f rawvideo -pix_fmt bgr24 - 2>/dev/null");
    const std::string counted =
        CommandOutput("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                      "stream=nb_read_frames -of csv=p=0 '" +
                      movie.string() + "'");
    EXPECT_EQ(frames.size() % frameBytes, 0u);
    EXPECT_EQ(std::to_string(frames.size() / frameBytes) + "\n", counted);
    std::vector<int> shown;
    for (std::size_t at = 0; at + frameBytes <= frames.size(); at += frameBytes) {
        int best = -1;
        double bestError = 1e9;
        for (std::size_t p = 0; p < sent.size(); ++p) {
            // One sample for each phone pixel: the top-left of its 2 x 2 block.
            const Bytes want = reliability::TopDown(sent[p]);
            double error = 0;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    for (int c = 0; c < 3; ++c)
                        error += std::abs(
                            int(static_cast<std::uint8_t>(
                                frames[at +
                                       (static_cast<std::size_t>(2 * y) * (2 * w) + 2 * x) * 3 +
                                       c])) -
                            int(want[(static_cast<std::size_t>(y) * w + x) * 3 + c]));
            error /= w * h * 3.0;
            if (error < bestError) {
                bestError = error;
                best = static_cast<int>(p);
            }
        }
        EXPECT_LT(bestError, 8.0) << "frame " << at / frameBytes << " is none of the pictures";
        if (shown.empty() || shown.back() != best)
            shown.push_back(best);
    }
    return shown;
}

} // namespace

// --record through the phone's pauses: each burst of pictures goes into a
// movie of its own (talk.mp4, talk-2.mp4), complete, holding every picture of
// the burst in order; each start and end is told on standard error.
TEST(EndToEnd, RecordingGoesOnAfterThePhonePauses) {
    CTempFolder dir;
    CPhoneLine phone;
    const std::string movies[2] = {dir.File("talk.mp4"), dir.File("talk-2.mp4")};
    // Settings of its own: movies of the screen alone.
    const std::string config = dir.File("config");
    CChildProcess lumetto(
        "lumetto",
        {"--port", phone.Path(), "--no-window", "--record", movies[0], "--record-scale", "2"},
        Environment({{"XDG_CONFIG_HOME", config.c_str()}}));

    // The program has set the line up once the port runs at 115200 baud.
    const int line = ::open(phone.Path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(line, 0);
    auto configured = [&] {
        termios tio{};
        return ::tcgetattr(line, &tio) == 0 && ::cfgetospeed(&tio) == B115200;
    };
    bool ready = configured();
    for (int i = 0; i < 3000 && !ready; ++i) {
        ::poll(nullptr, 0, 20);
        ready = configured();
    }
    ::close(line);
    ASSERT_TRUE(ready) << lumetto.Stderr();

    std::vector<Picture> bursts[2];
    for (int b = 0; b < 2; ++b)
        for (int i = 0; i < 6; ++i)
            bursts[b].push_back(reliability::BlockPicture(40 * b + 7 * i + 1));
    for (int b = 0; b < 2; ++b) {
        SCOPED_TRACE(movies[b]);
        // The first picture until the movie starts: what the program read
        // before it began to watch the line is thrown away.
        const std::string started = "lumetto: recording \"" + movies[b] + "\" (MP4)";
        for (int i = 0; i < 300 && !lumetto.WaitForError(started, std::chrono::milliseconds(200));
             ++i)
            ASSERT_TRUE(phone.Write(reliability::ScreenFrame(bursts[b][0], nullptr)));
        ASSERT_TRUE(lumetto.WaitForError(started)) << lumetto.Stderr();
        for (std::size_t i = 1; i < bursts[b].size(); ++i) {
            ASSERT_TRUE(phone.Write(reliability::ScreenFrame(bursts[b][i], nullptr)));
            // One picture at a time, as a phone sends them.
            phone.WaitUntilRead();
        }
        // The pause: the phone's closing notice ends the movie.
        ASSERT_TRUE(phone.Write(reliability::CloseNotice()));
        ASSERT_TRUE(lumetto.WaitForError("lumetto: recorded \"" + movies[b] + "\""))
            << lumetto.Stderr();
    }
    lumetto.Signal(SIGTERM);
    ASSERT_EQ(lumetto.Wait(), 0) << lumetto.Stderr();
    EXPECT_FALSE(fs::exists(dir.File("talk-3.mp4")));

    for (int b = 0; b < 2; ++b) {
        SCOPED_TRACE(movies[b]);
        long long frames = 0, dropped = 0;
        ASSERT_TRUE(ReportedCounts(lumetto.Stderr(), movies[b], frames, dropped))
            << lumetto.Stderr();
        // Every picture but those the encoder had to drop, in order, the last one always.
        const std::vector<int> shown = PicturesShown(movies[b], bursts[b]);
        ASSERT_FALSE(shown.empty());
        EXPECT_EQ(shown.front(), 0);
        EXPECT_EQ(shown.back(), 5);
        EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end()));
        EXPECT_EQ(static_cast<long long>(shown.size()), 6 - dropped);
        EXPECT_GE(frames, static_cast<long long>(shown.size()));
    }
}
