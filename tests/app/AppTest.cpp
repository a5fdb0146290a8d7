// The whole program in one process: the application object with its window
// on the offscreen platform, a phone played on a pseudo-terminal.
#include "app/DemoPhone.h"
#include "app/FileDialogs.h"
#include "app/NoticeWnd.h"
#include "app/Reconnector.h"
#include "app/Settings.h"
#include "app/TimeLimit.h"
#include "display/FrameClient.h"
#include "media/AviRecorder.h"
#include "media/MovieEncoder.h"
#include "res/ResourceIds.h"
#include "tests/app/PhoneLine.h"
#include "tests/support/MovieFrames.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>

namespace fs = std::filesystem;
using namespace reliability;
using testsupport::WaitFor;

namespace {

// A picture of any size whose neighbouring pixels differ.
Picture Noise(int w, int h, int seed) {
    Picture pic(static_cast<std::size_t>(w) * h);
    for (std::size_t i = 0; i < pic.size(); ++i)
        pic[i] = static_cast<std::uint16_t>((i * 37 + seed * 101) & 0xFFF);
    return pic;
}

// The program connected to the phone and showing its first picture.
struct LiveProgram : CProgram {
    Picture shown = BlockPicture(1);
    LiveProgram() {
        EXPECT_TRUE(Start());
        phone.Write(ScreenFrame(shown, nullptr));
        EXPECT_TRUE(Shows(shown));
    }
};

} // namespace

TEST(App, StartsWithTheDialogAndNoConnection) {
    CProgram p;
    p.bChoosePort = false;
    ASSERT_TRUE(p.app.InitInstance({}));
    ASSERT_TRUE(WaitFor([&] { return p.nChooserCalls == 1; }));
    EXPECT_EQ(p.Caption(), "No connection - Morvane Lumetto");
    // Sized for the built-in S60 frame, and not resizable by the user.
    EXPECT_EQ(p.View()->size(), QSize(176, 208));
    EXPECT_EQ(p.app.MainWindow()->minimumSize(), p.app.MainWindow()->maximumSize());
    EXPECT_TRUE(p.View()->ScreenWindow()->IsBitmapMode());
    EXPECT_TRUE(p.Enabled(ID_FILE_OPEN_CONNECTION));
    for (int id : {ID_FILE_CLOSE_CONNECTION, ID_FILE_RECORD_MOVIE, ID_FILE_STOP_RECORDING,
                   ID_FILE_CAPTURE_SCREEN})
        EXPECT_FALSE(p.Enabled(id)) << id;
    // A command its rule disables does nothing, from the keyboard too.
    EXPECT_FALSE(p.Run(ID_FILE_CLOSE_CONNECTION));
    // No live picture: closing asks nothing.
    p.app.MainWindow()->close();
    EXPECT_EQ(p.presenter.Count(), 0u);
}

TEST(App, ShowsThePhoneRecordsCapturesAndCloses) {
    CProgram p;
    ASSERT_TRUE(p.Start());
    EXPECT_EQ(p.Caption(), p.phone.Path() + " - Morvane Lumetto");
    EXPECT_FALSE(p.Enabled(ID_FILE_RECORD_MOVIE));

    const Picture first = Noise(kWidth, kHeight, 1);
    p.phone.Write(ScreenFrame(first, nullptr));
    ASSERT_TRUE(p.Shows(first));
    EXPECT_TRUE(p.Enabled(ID_FILE_RECORD_MOVIE));
    EXPECT_TRUE(p.Enabled(ID_FILE_CAPTURE_SCREEN));

    // A delta on top of it.
    const Picture second = Changed(first, 2);
    p.phone.Write(ScreenFrame(second, &first));
    ASSERT_TRUE(p.Shows(second));

    // Record a few frames.
    p.View()->Recording().SetFramePeriodMs(20);
    p.dialogs.answer = p.dir.File("movie.avi");
    ASSERT_TRUE(p.Run(ID_FILE_RECORD_MOVIE));
    ASSERT_TRUE(p.View()->IsRecording());
    EXPECT_FALSE(p.Enabled(ID_FILE_RECORD_MOVIE));
    EXPECT_TRUE(p.Enabled(ID_FILE_STOP_RECORDING));
    ASSERT_TRUE(WaitFor([&] { return p.View()->Recording().Recorder()->GetFrameCount() >= 3; }));

    // Capture: the file is the picture with the white slack row, REC! not in it.
    p.dialogs.answer = p.dir.File("shot.bmp");
    ASSERT_TRUE(p.Run(ID_FILE_CAPTURE_SCREEN));
    std::ifstream in(p.dir.File("shot.bmp"), std::ios::binary);
    const Bytes bmp((std::istreambuf_iterator<char>(in)), {});
    ASSERT_EQ(bmp.size(), 110406u);
    EXPECT_EQ(Bytes(bmp.begin() + 54, bmp.end() - 528), Expected(second));
    EXPECT_EQ(Bytes(bmp.end() - 528, bmp.end()), Bytes(528, 0xFF));
    EXPECT_EQ(p.dialogs.asked.back().strFilter.rfind(
                  "PNG images (*.png)|*.png|BMP files (*.bmp)|*.bmp|", 0),
              0u);

    ASSERT_TRUE(p.Run(ID_FILE_STOP_RECORDING));
    EXPECT_FALSE(p.View()->IsRecording());
    EXPECT_EQ(p.dialogs.asked.front().strFilter,
              "MP4 video (*.mp4)|*.mp4|Matroska video (*.mkv)|*.mkv|QuickTime movie "
              "(*.mov)|*.mov|AVI Files (*.avi)|*.avi||");
    EXPECT_GT(fs::file_size(p.dir.File("movie.avi")), 3 * 110000u);

    // Closing while a live picture shows tells the phone.
    ASSERT_TRUE(p.Run(ID_FILE_CLOSE_CONNECTION));
    EXPECT_FALSE(p.app.Serial().IsOpen());
    EXPECT_EQ(p.Caption(), "No connection - Morvane Lumetto");
    EXPECT_TRUE(p.View()->ScreenWindow()->IsBitmapMode());
    ASSERT_TRUE(WaitFor([&] { return p.phone.Received() == "close_tx"; }));
}

// The phone's pause ends the movie recorded from the menu; a notice says
// the recording goes on, and it does, into the next numbered file, when the
// picture comes back.
TEST(App, PhoneClosingResetsTheScreenKeepsThePortAndTheRecordingGoesOn) {
    LiveProgram p;
    p.View()->Recording().SetFramePeriodMs(20);
    const std::string movie = p.dir.File("m.avi"), next = p.dir.File("m-2.avi");
    p.dialogs.answer = movie;
    ASSERT_TRUE(p.Run(ID_FILE_RECORD_MOVIE));
    ASSERT_TRUE(WaitFor([&] { return p.View()->Recording().RecordedFrames() >= 1; }));

    p.phone.Write(CloseNotice());
    ASSERT_TRUE(WaitFor([&] { return !p.View()->HasLivePicture(); }));
    EXPECT_FALSE(p.View()->IsRecording());
    EXPECT_TRUE(p.app.Serial().IsOpen());
    const auto notice = [&] { return p.app.MainWindow()->Notice()->Text().toStdString(); };
    EXPECT_EQ(notice().rfind("The phone paused: \"" + movie +
                                 "\" is finished; the recording goes on into a new file",
                             0),
              0u)
        << notice();

    // The next header brings the picture back, and the recording.
    const Picture again = BlockPicture(3);
    p.phone.Write(ScreenFrame(again, nullptr));
    ASSERT_TRUE(p.Shows(again));
    ASSERT_TRUE(WaitFor([&] { return p.View()->IsRecording() && fs::exists(next); }));
    EXPECT_EQ(notice().rfind("The recording goes on into \"" + next + "\".", 0), 0u) << notice();
    ASSERT_TRUE(WaitFor([&] { return p.View()->Recording().RecordedFrames() >= 1; }));
    ASSERT_TRUE(p.Run(ID_FILE_STOP_RECORDING));
    EXPECT_EQ(p.presenter.Count(), 0u) << p.Messages();
    EXPECT_EQ(testsupport::ProbeMovie(movie).rfind("rawvideo 176x208 ", 0), 0u);
    EXPECT_EQ(testsupport::ProbeMovie(next).rfind("rawvideo 176x208 ", 0), 0u);
}

// A phone that sends its header only when it starts: after a pause long
// enough for the reset, the waiting picture shows, and the next payload
// without a header goes on from the kept picture. A header still starts
// afresh (white where its body does not reach); a payload that does not fit
// the kept picture is not shown.
TEST(App, ThePictureComesBackAfterAPauseWithoutAHeader) {
    CProgram p;
    CSerialPort::Timing timing;
    timing.silence = std::chrono::milliseconds(2000); // time enough to see each picture live
    p.app.TestSeams().linkTiming = timing;
    ASSERT_TRUE(p.Start());
    auto pause = [&] { return WaitFor([&] { return p.View()->ScreenWindow()->IsBitmapMode(); }); };
    const Picture first = Noise(kWidth, kHeight, 21), second = Changed(first, 22),
                  third = Changed(second, 23);
    ASSERT_TRUE(p.phone.Write(ScreenFrame(first, nullptr)));
    ASSERT_TRUE(p.Shows(first));
    ASSERT_TRUE(pause());
    ASSERT_TRUE(p.phone.Write(ScreenFrame(second, &first)));
    ASSERT_TRUE(p.Shows(second));
    ASSERT_TRUE(p.phone.Write(ScreenFrame(third, &second)));
    ASSERT_TRUE(p.Shows(third));

    // A header with only the changes back to the second picture: decoded on
    // a new white picture, as a decoder that never saw the kept one does.
    ASSERT_TRUE(pause());
    CScreenEncoder encoder;
    CScreenEncoder::Params params;
    params.nWidth = kWidth;
    params.nHeight = kHeight;
    params.bHeader = true;
    Bytes payload, frame;
    ASSERT_TRUE(encoder.Encode(second.data(), third.data(), params, payload));
    CScreenDecoder fresh;
    fresh.DecodeScreen(payload.data(), payload.size());
    const Bytes afresh(fresh.ScreenBits(), fresh.ScreenBits() + kFrameBytes);
    ASSERT_NE(afresh, Expected(second));
    CFrameWriter::AppendScreenFrame(payload, frame);
    ASSERT_TRUE(p.phone.Write(frame));
    ASSERT_TRUE(WaitFor([&] { return ScreenBytes(p.View()) == afresh; }));

    // Cut short: the waiting picture stays, and so does a later delta.
    ASSERT_TRUE(pause());
    Bytes cut;
    CFrameWriter::AppendScreenFrame(Bytes{0x00, 0x00, 0x05}, cut);
    ASSERT_TRUE(p.phone.Write(cut));
    ASSERT_TRUE(p.phone.Write(ScreenFrame(first, &second)));
    p.phone.WaitUntilRead();
    EXPECT_FALSE(WaitFor([&] { return p.View()->HasLivePicture(); }, 1000));
}

TEST(App, ScreenSizeChangeSwitchesPlatformAndTheRecordingGoesOn) {
    LiveProgram p;
    p.dialogs.answer = p.dir.File("m.avi");
    ASSERT_TRUE(p.Run(ID_FILE_RECORD_MOVIE));

    const Picture uiq = Noise(208, 320, 5);
    p.phone.Write(ScreenFrame(uiq, nullptr, 208, 320));
    ASSERT_TRUE(p.Shows(uiq, 208, 320));
    EXPECT_TRUE(p.View()->IsRecording());
    EXPECT_EQ(p.View()->CurrentPlatform(), 1);
    EXPECT_EQ(p.View()->size(), QSize(208, 320)); // the built-in UIQ frame
    EXPECT_EQ(p.presenter.Count(), 0u) << p.Messages();
}

// Screens of other sizes while a movie is recorded from the menu, odd ones
// among them (any size a phone may announce): an encoded movie keeps its
// size and takes them all, in one file; an AVI goes on in the next file at a
// size that stays (for a second in the program, at once here), and writes
// no frame of a size that comes and goes faster. An AVI that got no frame
// before the change is removed, and its name taken again. No box, no file
// beyond these; each read back with ffprobe.
TEST(App, ScreenSizesThatChangeWhileRecording) {
    using Size = std::pair<int, int>;
    const Size s60{kWidth, kHeight}, uiq{208, 320}, line{2048, 1}, strip{2047, 3};
    const struct {
        const char* name;
        const char* file;
        int framePeriodMs, holdMs;
        std::vector<Size> screens; // in turn; the movie starts at the first
        std::vector<std::pair<const char*, const char*>> probed; // file, ffprobe's start
        const char* absent;
    } cases[] = {
        {"mp4",
         "m.mp4",
         20,
         0,
         {s60, line, strip, uiq, s60},
         {{"m.mp4", "h264 704x832 "}},
         "m-2.mp4"},
        {"mp4 of a line", "m.mp4", 20, 0, {line, s60}, {{"m.mp4", "h264 4096x2 "}}, "m-2.mp4"},
        {"avi, sizes that come and go",
         "m.avi",
         20,
         3600000,
         {s60, uiq, line, s60},
         {{"m.avi", "rawvideo 176x208 "}},
         "m-2.avi"},
        {"avi, a size that stays",
         "m.avi",
         20,
         0,
         {s60, line},
         {{"m.avi", "rawvideo 176x208 "}, {"m-2.avi", "rawvideo 2048x1 "}},
         "m-3.avi"},
        {"avi, empty before the change",
         "m.avi",
         3600000,
         0,
         {s60, uiq},
         {{"m.avi", "rawvideo 208x320 "}},
         "m-2.avi"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CProgram p;
        ASSERT_TRUE(p.Start());
        p.View()->Recording().SetFramePeriodMs(c.framePeriodMs);
        p.View()->Recording().SetAviSizeHoldMs(c.holdMs);
        int seed = 0;
        for (const Size& size : c.screens) {
            const Picture pic = Noise(size.first, size.second, ++seed);
            p.phone.Write(ScreenFrame(pic, nullptr, size.first, size.second));
            ASSERT_TRUE(WaitFor([&] {
                const CScreenModel& screen = p.View()->Screen();
                return screen.IsLive() && screen.Width() == size.first &&
                       screen.Height() == size.second;
            }));
            if (seed == 1) {
                p.dialogs.answer = p.dir.File(c.file);
                ASSERT_TRUE(p.Run(ID_FILE_RECORD_MOVIE));
            }
            ASSERT_TRUE(WaitFor([&] {
                return p.View()->IsRecording() &&
                       (c.framePeriodMs > 1000 || p.View()->Recording().RecordedFrames() >= 1);
            }));
        }
        ASSERT_TRUE(p.Run(ID_FILE_STOP_RECORDING));
        EXPECT_EQ(p.presenter.Count(), 0u) << p.Messages();
        for (const auto& [file, probed] : c.probed)
            EXPECT_EQ(testsupport::ProbeMovie(p.dir.File(file)).rfind(probed, 0), 0u)
                << file << ": " << testsupport::ProbeMovie(p.dir.File(file));
        EXPECT_FALSE(fs::exists(p.dir.File(c.absent)));
    }
}

TEST(App, ExitAsksWhileAPictureShows) {
    LiveProgram p;
    p.presenter.SetAnswer(false);
    p.app.MainWindow()->close();
    ASSERT_EQ(p.presenter.Count(), 1u);
    EXPECT_EQ(p.presenter.Messages()[0].strText, "Close the connection and exit the application?");
    EXPECT_TRUE(p.app.MainWindow()->isVisible());
    EXPECT_TRUE(p.app.Serial().IsOpen());

    p.presenter.SetAnswer(true);
    p.app.MainWindow()->close();
    EXPECT_FALSE(p.app.MainWindow()->isVisible());
}

// Close connection (Ctrl+C among its keys) asks first while a movie is
// being recorded, and only then.
TEST(App, ClosingTheConnectionAsksOnlyWhileRecording) {
    LiveProgram p;
    p.dialogs.answer = p.dir.File("m.avi");
    ASSERT_TRUE(p.Run(ID_FILE_RECORD_MOVIE));
    for (const bool bAnswer : {false, true}) {
        p.presenter.SetAnswer(bAnswer);
        ASSERT_TRUE(p.Run(ID_FILE_CLOSE_CONNECTION));
        EXPECT_EQ(p.View()->IsRecording(), !bAnswer);
        EXPECT_EQ(p.app.Serial().IsOpen(), !bAnswer);
    }
    ASSERT_EQ(p.presenter.Count(), 2u) << p.Messages();
    EXPECT_EQ(p.presenter.Messages()[0].strText, "Close the connection and end the recording?");

    ASSERT_TRUE(p.Run(ID_FILE_OPEN_CONNECTION));
    ASSERT_TRUE(p.Run(ID_FILE_CLOSE_CONNECTION));
    EXPECT_FALSE(p.app.Serial().IsOpen());
    EXPECT_EQ(p.presenter.Count(), 2u) << p.Messages();
}

TEST(App, MovieThatCannotOpenSaysSo) {
    LiveProgram p;
    p.dialogs.answer = p.dir.File("no/such/m.avi");
    ASSERT_TRUE(p.Run(ID_FILE_RECORD_MOVIE));
    EXPECT_FALSE(p.View()->IsRecording());
    EXPECT_EQ(
        p.Messages().rfind("Could not initialize video stream. Video recording not started.", 0),
        0u);
    EXPECT_TRUE(p.Enabled(ID_FILE_RECORD_MOVIE));
}

// The phone's device goes away and comes back under the same name (a link,
// as in /dev/serial/by-id/): the program waits without a box and opens it
// again by itself.
TEST(App, ALostConnectionIsOpenedAgainWhenTheDeviceComesBack) {
    CProgram p;
    const std::string link = p.dir.File("phone");
    fs::create_symlink(p.phone.Path(), link);
    p.app.TestSeams().fnChoosePort = [&] { return std::optional<std::string>(link); };
    const std::string connected = link + " - Morvane Lumetto";
    const std::string reconnecting = link + " - reconnecting - Morvane Lumetto";
    testing::internal::CaptureStderr();
    ASSERT_TRUE(p.Start());
    EXPECT_EQ(p.Caption(), connected);
    const Picture first = BlockPicture(51);
    ASSERT_TRUE(p.phone.Write(ScreenFrame(first, nullptr)));
    ASSERT_TRUE(p.Shows(first));
    p.dialogs.answer = p.dir.File("m.avi");
    ASSERT_TRUE(p.Run(ID_FILE_RECORD_MOVIE));

    // Unplugged: the line hangs up and the name goes away.
    p.phone.HangUp();
    fs::remove(link);
    ASSERT_TRUE(WaitFor([&] { return p.Caption() == reconnecting; }));
    EXPECT_FALSE(p.View()->IsRecording());
    EXPECT_TRUE(p.View()->ScreenWindow()->IsBitmapMode());
    EXPECT_TRUE(p.Enabled(ID_FILE_OPEN_CONNECTION));
    EXPECT_TRUE(p.Enabled(ID_FILE_CLOSE_CONNECTION));
    ASSERT_TRUE(WaitFor([&] { return p.app.Reconnection()->Attempts() >= 1; }));
    EXPECT_FALSE(p.app.Serial().IsOpen());
    EXPECT_EQ(p.Caption(), reconnecting);

    // Plugged in again: a new line under the same name.
    CPhoneLine again;
    fs::create_symlink(again.Path(), link);
    ASSERT_TRUE(WaitFor([&] { return p.app.Serial().IsOpen(); }));
    EXPECT_EQ(p.Caption(), connected);
    const Picture second = BlockPicture(52);
    ASSERT_TRUE(again.Write(ScreenFrame(second, nullptr)));
    ASSERT_TRUE(p.Shows(second));
    EXPECT_FALSE(p.app.Reconnection()->IsActive());

    // Lost once more; Close connection ends the attempts.
    again.HangUp();
    ASSERT_TRUE(WaitFor([&] { return p.Caption() == reconnecting; }));
    ASSERT_TRUE(p.Run(ID_FILE_CLOSE_CONNECTION));
    EXPECT_FALSE(p.app.Reconnection()->IsActive());
    EXPECT_EQ(p.Caption(), "No connection - Morvane Lumetto");
    EXPECT_FALSE(p.Enabled(ID_FILE_CLOSE_CONNECTION));
    const std::string err = testing::internal::GetCapturedStderr();

    EXPECT_EQ(p.presenter.Count(), 0u) << p.Messages();
    // The loss and the reconnection, each with the date and time.
    const std::string stamp = "lumetto: \\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d ";
    EXPECT_TRUE(
        std::regex_search(err, std::regex(stamp + "the connection on .*/phone was lost "
                                                  "\\(.+\\); opening it again every second\n")))
        << err;
    EXPECT_TRUE(
        std::regex_search(err, std::regex(stamp + "the connection on .*/phone is open again\n")))
        << err;
}

// A phone not plugged in yet: the chosen port is waited for, the caption and
// the waiting picture say so, and the picture comes once the device appears.
// Other failures are told at once, and --no-reconnect does not wait.
TEST(App, APortThatDoesNotExistYetIsWaitedFor) {
    CProgram p;
    const std::string link = p.dir.File("phone");
    p.app.TestSeams().fnChoosePort = [&] { return std::optional<std::string>(link); };
    testing::internal::CaptureStderr();
    ASSERT_TRUE(p.app.InitInstance({}));
    ASSERT_TRUE(
        WaitFor([&] { return p.app.Reconnection() && p.app.Reconnection()->Attempts() >= 1; }));
    EXPECT_EQ(p.Caption(), link + " - waiting for the phone - Morvane Lumetto");
    EXPECT_EQ(p.View()->WaitingText().rfind("Waiting for " + link + " to appear.", 0), 0u);
    EXPECT_TRUE(p.View()->ScreenWindow()->IsBitmapMode());
    EXPECT_TRUE(p.Enabled(ID_FILE_CLOSE_CONNECTION));
    EXPECT_EQ(p.presenter.Count(), 0u) << p.Messages();

    // Plugged in: the link appears.
    fs::create_symlink(p.phone.Path(), link);
    ASSERT_TRUE(WaitFor([&] { return p.app.Serial().IsOpen(); }));
    EXPECT_EQ(p.Caption(), link + " - Morvane Lumetto");
    EXPECT_EQ(p.View()->WaitingText(),
              "Connected to " + link + ".\nStart the sender on the phone.");
    const Picture first = BlockPicture(61);
    ASSERT_TRUE(p.phone.Write(ScreenFrame(first, nullptr)));
    ASSERT_TRUE(p.Shows(first));
    EXPECT_EQ(p.app.Settings().LastPort(), link);

    // Closing ends a wait as well.
    fs::remove(link);
    p.presenter.SetAnswer(true);
    ASSERT_TRUE(p.Run(ID_FILE_CLOSE_CONNECTION));
    ASSERT_TRUE(p.Run(ID_FILE_OPEN_CONNECTION));
    EXPECT_TRUE(p.app.Reconnection()->IsWaitingForDevice());
    ASSERT_TRUE(p.Run(ID_FILE_CLOSE_CONNECTION));
    EXPECT_FALSE(p.app.Reconnection()->IsActive());
    EXPECT_EQ(p.Caption(), "No connection - Morvane Lumetto");
    EXPECT_EQ(p.View()->WaitingText().rfind("No connection.", 0), 0u);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find(link + " does not exist yet; waiting for the phone"), std::string::npos)
        << err;
    EXPECT_NE(err.find(link + " is there; the connection is open"), std::string::npos) << err;

    // Something at the name that is no serial port: told at once.
    p.dir.Write("file", "not a port");
    p.app.TestSeams().fnChoosePort = [&] { return std::optional<std::string>(p.dir.File("file")); };
    ASSERT_TRUE(p.Run(ID_FILE_OPEN_CONNECTION));
    EXPECT_FALSE(p.app.Reconnection()->IsActive());
    EXPECT_EQ(p.presenter.Count(), 1u) << p.Messages();
}

// Without --demo, choosing "Demo phone" (which the "COM ports" dialog always
// lists) starts the demo's phone; it goes by that name in the caption and is
// opened again after Close connection.
TEST(App, ChoosingTheDemoPhoneStartsItAndItOpensAgain) {
    CProgram p;
    int nChosen = 0;
    p.app.TestSeams().fnChoosePort = [&]() -> std::optional<std::string> {
        ++nChosen;
        return std::string(CDemoPhone::kPortName);
    };
    ASSERT_TRUE(p.app.InitInstance(CommandLineOptions{}));
    ASSERT_TRUE(WaitFor([&] { return p.View()->HasLivePicture(); }));
    EXPECT_EQ(p.Caption(), "Demo phone - Morvane Lumetto");

    ASSERT_TRUE(p.Run(ID_FILE_CLOSE_CONNECTION));
    EXPECT_EQ(p.Caption(), "No connection - Morvane Lumetto");
    ASSERT_TRUE(p.Run(ID_FILE_OPEN_CONNECTION));
    EXPECT_EQ(nChosen, 2);
    EXPECT_EQ(p.Caption(), "Demo phone - Morvane Lumetto");
    ASSERT_TRUE(WaitFor([&] { return p.View()->HasLivePicture(); }));
    EXPECT_EQ(p.presenter.Count(), 0u) << p.Messages();
}

namespace {

// The picture as Qt reads it back from a file: top row first, 0xffRRGGBB.
QImage AsImage(const Picture& pic, int w = kWidth, int h = kHeight) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const unsigned c = pic[static_cast<std::size_t>(y) * w + x];
            img.setPixel(x, y, qRgb(((c >> 8) & 0xF) * 17, ((c >> 4) & 0xF) * 17, (c & 0xF) * 17));
        }
    return img;
}

// Sets an environment variable for one test.
struct ScopedEnv {
    ScopedEnv(const char* name, const std::string& value) : m_name(name) {
        if (const char* old = std::getenv(name))
            m_old = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }
    const char* m_name;
    std::optional<std::string> m_old;
};

} // namespace

// The picture leaves the program exactly: a PNG screenshot (the screen alone,
// no extra row), the clipboard, quick captures into the pictures folder with
// a notice over the picture saying so for a while (never in what is saved or
// copied; the caption keeps the connection); the save dialogs suggest a name
// and open where the last file went.
TEST(App, SharesThePictureExactly) {
    CTempFolder home;
    // The user's folders for this test: its settings and its pictures folder.
    ScopedEnv config("XDG_CONFIG_HOME", home.File("config"));
    home.Write("config/user-dirs.dirs", "XDG_PICTURES_DIR=\"" + home.File("pictures") + "\"\n");
    LiveProgram p;
    const Picture pic = Noise(kWidth, kHeight, 9);
    p.phone.Write(ScreenFrame(pic, nullptr));
    ASSERT_TRUE(p.Shows(pic));
    const QImage want = AsImage(pic);

    // A notice over the lower part of the picture while the picture is saved.
    const CNoticeWnd* notice = p.app.MainWindow()->Notice();
    p.app.ShowNotice("A notice over the picture");
    const QRect area = p.app.MainWindow()->Client()->VisibleArea();
    EXPECT_TRUE(notice->isVisible() && area.contains(notice->geometry()) &&
                notice->geometry().top() > area.center().y())
        << notice->geometry().y();
    p.dialogs.answer = p.dir.File("shot.png");
    ASSERT_TRUE(p.Run(ID_FILE_CAPTURE_SCREEN));
    EXPECT_EQ(notice->Text(), "Saved shot.png");
    EXPECT_EQ(QImage(QString::fromStdString(p.dir.File("shot.png")))
                  .convertToFormat(QImage::Format_RGB32),
              want);
    const SaveFileRequest& asked = p.dialogs.asked.back();
    EXPECT_EQ(asked.strFilter.rfind("PNG images (*.png)|*.png|BMP files (*.bmp)|*.bmp|"
                                    "CUR images (*.cur)|*.cur|",
                                    0),
              0u)
        << asked.strFilter;
    EXPECT_TRUE(
        std::regex_match(asked.strName, std::regex(R"(Lumetto \d{4}-\d\d-\d\d \d\d\.\d\d\.\d\d)")))
        << asked.strName;
    // The next dialog opens in the folder of that file.
    p.dialogs.answer = std::nullopt;
    ASSERT_TRUE(p.Run(ID_FILE_CAPTURE_SCREEN));
    EXPECT_EQ(fs::path(p.dialogs.asked.back().strFolder), fs::path(p.dir.Path()).parent_path());
    // The name's extension picks the format, whatever the case; read back by
    // its first bytes.
    const struct {
        const char* name;
        std::string magic;
    } formats[] = {{"shot.bmp", "BM"},
                   {"shot.JPG", "\xFF\xD8\xFF"},
                   {"shot.jpeg", "\xFF\xD8\xFF"},
                   {"shot.ppm", "P6"},
                   {"shot", "BM"}};
    for (const auto& f : formats) {
        p.dialogs.answer = p.dir.File(f.name);
        ASSERT_TRUE(p.Run(ID_FILE_CAPTURE_SCREEN));
        std::ifstream in(p.dir.File(f.name), std::ios::binary);
        std::string head(f.magic.size(), '\0');
        in.read(head.data(), static_cast<std::streamsize>(head.size()));
        EXPECT_EQ(head, f.magic) << f.name;
    }

    ASSERT_TRUE(p.Run(ID_FILE_COPY_SCREEN));
    EXPECT_EQ(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32), want);
    EXPECT_EQ(notice->Text(), "Copied the screen to the clipboard");

    // Two quick captures, without a dialog: two files, however fast.
    const std::string title = p.phone.Path() + " - Morvane Lumetto";
    ASSERT_TRUE(p.Run(ID_FILE_QUICK_CAPTURE));
    ASSERT_TRUE(p.Run(ID_FILE_QUICK_CAPTURE));
    const fs::path folder = home.Dir() / "pictures" / "Lumetto";
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
        EXPECT_EQ(QImage(QString::fromStdString(entry.path().string()))
                      .convertToFormat(QImage::Format_RGB32),
                  want);
    }
    ASSERT_EQ(names.size(), 2u);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names)
        EXPECT_TRUE(std::regex_match(
            name, std::regex(R"(Lumetto \d{4}-\d\d-\d\d \d\d\.\d\d\.\d\d( \(2\))?\.png)")))
            << name;
    EXPECT_TRUE((notice->Text() == QString::fromStdString("Saved " + names[0]) ||
                 notice->Text() == QString::fromStdString("Saved " + names[1])) &&
                notice->isVisible())
        << notice->Text().toStdString();
    EXPECT_EQ(p.Caption(), title);
    // The notice goes after a few seconds.
    EXPECT_TRUE(WaitFor([&] { return !notice->isVisible(); }, 20000));
    EXPECT_EQ(p.presenter.Count(), 0u) << p.Messages();

    // "Movies include the phone's skin" is remembered.
    ASSERT_TRUE(p.Run(ID_FILE_MOVIES_WITH_SKIN));
    ASSERT_TRUE(p.app.Settings().Sync());
    EXPECT_TRUE(CSettings(p.dir.File("lumetto.conf")).MoviesWithSkin());
}

// --record goes on at a new screen size in a new movie: each movie holds
// its own size's pictures, whole. A numbered name replaces no file: the
// next free number is taken.
TEST(App, RecordOptionGoesOnAtANewScreenSize) {
    CProgram p;
    CommandLineOptions options;
    options.strRecord = p.dir.File("r.avi");
    p.dir.Write("r-2.avi", "kept");
    ASSERT_TRUE(p.app.InitInstance(options));
    ASSERT_TRUE(WaitFor([&] { return p.app.Serial().IsOpen(); }));
    p.View()->Recording().SetFramePeriodMs(20);
    p.View()->Recording().SetAviSizeHoldMs(0);
    const Picture s60 = Noise(kWidth, kHeight, 2), uiq = Noise(208, 320, 3);
    p.phone.Write(ScreenFrame(s60, nullptr));
    ASSERT_TRUE(WaitFor([&] { return p.View()->Recording().RecordedFrames() >= 2; }));
    p.phone.Write(ScreenFrame(uiq, nullptr, 208, 320));
    ASSERT_TRUE(p.Shows(uiq, 208, 320));
    ASSERT_TRUE(WaitFor([&] {
        return fs::exists(p.dir.File("r-3.avi")) && p.View()->Recording().RecordedFrames() >= 2;
    }));
    EXPECT_EQ(p.app.ExitInstance(), 0);
    EXPECT_EQ(p.presenter.Count(), 0u) << p.Messages();

    const struct {
        std::string file;
        Bytes picture;
    } movies[] = {{p.dir.File("r.avi"), TopDown(s60)},
                  {p.dir.File("r-3.avi"), [&] {
                       const Bytes up = Expected(uiq, 208, 320);
                       Bytes out;
                       for (int y = 319; y >= 0; --y)
                           out.insert(out.end(), up.begin() + y * 624, up.begin() + (y + 1) * 624);
                       return out;
                   }()}};
    for (const auto& m : movies) {
        SCOPED_TRACE(m.file);
        const Bytes frames = MovieFrames(m.file);
        ASSERT_GE(frames.size(), 2 * m.picture.size());
        ASSERT_EQ(frames.size() % m.picture.size(), 0u);
        for (std::size_t at = 0; at < frames.size(); at += m.picture.size())
            ASSERT_TRUE(std::equal(m.picture.begin(), m.picture.end(), frames.begin() + at));
    }
    EXPECT_EQ(fs::file_size(p.dir.File("r-2.avi")), 4u);
}

// The movie's name picks its format: AVI, or the same H.264 stream in MP4,
// Matroska or QuickTime, as ffprobe reads them back; the case of the
// extension does not matter. A recording that ended normally is an ordinary
// MP4 (MOV): no fragments, its index (moov) before the pictures (mdat). A name typed in the dialog
// with an extension no type has gets the chosen type's.
TEST(App, TheExtensionPicksTheMovieFormat) {
    const struct {
        const char* file;
        const char* probed; // ffprobe: codec, format, brand
    } cases[] = {
        {"m.avi", "rawvideo,avi"},
        {"m.mp4", "h264,\"mov,mp4,m4a,3gp,3g2,mj2\",isom"},
        {"m.MKV", "h264,\"matroska,webm\""},
        {"m.mov", "h264,\"mov,mp4,m4a,3gp,3g2,mj2\",qt  "},
    };
    LiveProgram p;
    p.View()->Recording().SetFramePeriodMs(20);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        p.dialogs.answer = p.dir.File(c.file);
        ASSERT_TRUE(p.Run(ID_FILE_RECORD_MOVIE));
        ASSERT_TRUE(WaitFor([&] { return p.View()->Recording().RecordedFrames() >= 1; }));
        ASSERT_TRUE(p.Run(ID_FILE_STOP_RECORDING));
        std::string probed = testsupport::CommandOutput(
            "ffprobe -v error -show_entries format=format_name:format_tags=major_brand:"
            "stream=codec_name -of csv=p=0 '" +
            p.dir.File(c.file) + "' 2>&1");
        std::replace(probed.begin(), probed.end(), '\n', ',');
        EXPECT_EQ(probed, std::string(c.probed) + ",") << probed;
        if (probed.find("mov,mp4") != std::string::npos) {
            std::ifstream in(p.dir.File(c.file), std::ios::binary);
            const std::string bytes((std::istreambuf_iterator<char>(in)), {});
            EXPECT_EQ(bytes.find("moof"), std::string::npos);
            EXPECT_LT(bytes.find("moov"), bytes.find("mdat"));
        }
    }
    EXPECT_EQ(p.presenter.Count(), 0u) << p.Messages();

    const std::vector<std::string> known = {"mp4", "mkv", "mov", "avi"};
    EXPECT_EQ(WithDefaultExtension("/v/talk.webm", "mp4", known), "/v/talk.webm.mp4");
    EXPECT_EQ(WithDefaultExtension("/v/Lumetto 07.05.03", "mkv", known), "/v/Lumetto 07.05.03.mkv");
    EXPECT_EQ(WithDefaultExtension("/v/talk.AVI", "mp4", known), "/v/talk.AVI");
}

// Without the video encoder module (a package split, a missing library) an
// H.264 movie is refused with a message that names what is missing, and no
// file; AVI movies work as ever.
TEST(App, WithoutTheEncoderModuleAviMoviesStillWork) {
    LiveProgram p;
    const std::string module = p.dir.File("gone/lumetto-encoder.so");
    lumetto::SetMovieEncoderModule(module);
    p.dialogs.answer = p.dir.File("m.mp4");
    ASSERT_TRUE(p.Run(ID_FILE_RECORD_MOVIE));
    EXPECT_FALSE(p.View()->IsRecording());
    EXPECT_NE(p.Messages().find("video encoder module lumetto-encoder.so"), std::string::npos)
        << p.Messages();
    EXPECT_NE(p.Messages().find("it is not in " + module), std::string::npos) << p.Messages();
    EXPECT_FALSE(fs::exists(p.dir.File("m.mp4")));

    p.View()->Recording().SetFramePeriodMs(20);
    p.dialogs.answer = p.dir.File("m.avi");
    ASSERT_TRUE(p.Run(ID_FILE_RECORD_MOVIE));
    ASSERT_TRUE(WaitFor([&] { return p.View()->Recording().RecordedFrames() >= 2; }));
    ASSERT_TRUE(p.Run(ID_FILE_STOP_RECORDING));
    lumetto::SetMovieEncoderModule({});
    EXPECT_EQ(testsupport::ProbeMovie(p.dir.File("m.avi")).rfind("rawvideo 176x208 ", 0), 0u);
}

// A time limit beyond what one Qt timer counts (about 24.8 days) is waited
// out in steps and never taken for a short one; a short one ends on time.
TEST(App, TimeLimitsOfAnyLength) {
    int fired = 0;
    CTimeLimit month(30 * 86400.0, [&] { ++fired; });
    EXPECT_FALSE(WaitFor([&] { return fired > 0; }, 200));
    EXPECT_GT(month.Remaining(), std::chrono::hours(24 * 29));

    QElapsedTimer t;
    t.start();
    CTimeLimit shortOne(
        0.3, [&] { ++fired; }, nullptr, std::chrono::milliseconds(40));
    ASSERT_TRUE(WaitFor([&] { return fired > 0; }));
    EXPECT_GE(t.elapsed(), 300);
    EXPECT_FALSE(WaitFor([&] { return fired > 1; }, 100)); // once
}

// An MP4 movie of the phone in its skin: every picture, at the whole factor
// that makes the skin at least 720 pixels tall, the screen in its place; the
// notice then tells what the movie holds. The notice over the picture while
// recording is not in the movie.
TEST(App, RecordsAnMp4OfThePhoneInItsSkin) {
    CTempFolder home;
    ScopedEnv config("XDG_CONFIG_HOME", home.File("config")); // the check item is remembered
    CProgram p;
    // A plain skin of 200 x 260 with the screen at (12, 26).
    const QRgb skinColour = qRgb(0x33, 0x66, 0x99);
    QImage skin(200, 260, QImage::Format_RGB32);
    skin.fill(skinColour);
    fs::create_directories(p.dir.Dir() / "skins" / "S60");
    ASSERT_TRUE(skin.save(QString::fromStdString(p.dir.File("skins/S60/Plain.bmp")), "BMP"));
    p.dir.Write("skins/S60/Plain.lumetto", "Plain\n0 12 26 188 234\n");
    ASSERT_TRUE(p.Start());
    const Picture first = Noise(kWidth, kHeight, 11), second = BlockPicture(12);
    p.phone.Write(ScreenFrame(first, nullptr));
    ASSERT_TRUE(p.Shows(first));

    ASSERT_TRUE(p.Run(ID_FILE_MOVIES_WITH_SKIN));
    const std::string movie = p.dir.File("phone.mp4");
    p.dialogs.answer = movie;
    ASSERT_TRUE(p.Run(ID_FILE_RECORD_MOVIE));
    ASSERT_TRUE(p.View()->IsRecording());
    EXPECT_EQ(p.View()->Recording().Recorder(), nullptr); // no AVI
    EXPECT_EQ(p.app.MainWindow()->Notice()->Text(), "Recording phone.mp4");
    EXPECT_TRUE(p.app.MainWindow()->Notice()->isVisible());
    p.phone.Write(ScreenFrame(second, nullptr));
    ASSERT_TRUE(p.Shows(second));
    ASSERT_TRUE(p.Run(ID_FILE_STOP_RECORDING));
    EXPECT_EQ(p.app.MainWindow()->Notice()->Text().toStdString().rfind(
                  "Saved phone.mp4: 2 frames (0 dropped), ", 0),
              0u);
    EXPECT_EQ(p.presenter.Count(), 0u) << p.Messages();

    // Scale 3: 600 x 780. Every frame as stored; the last shows the second picture.
    const int scale = 3, w = 200 * scale, h = 260 * scale;
    const std::string out = testsupport::CommandOutput(
        "ffmpeg -nostdin -v error -i '" + movie +
        "' -fps_mode passthrough -f rawvideo -pix_fmt bgr24 - 2>/dev/null");
    const Bytes frames(out.begin(), out.end());
    const std::size_t frameBytes = static_cast<std::size_t>(w) * h * 3;
    ASSERT_GE(frames.size(), 2 * frameBytes);
    ASSERT_EQ(frames.size() % frameBytes, 0u);
    auto at = [&](std::size_t frame, int x, int y) {
        return frames.data() + frame * frameBytes + (static_cast<std::size_t>(y) * w + x) * 3;
    };
    for (std::size_t f : {std::size_t(0), frames.size() / frameBytes - 1}) {
        SCOPED_TRACE(f);
        const QImage want = AsImage(f == 0 ? first : second);
        double error = 0;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                // The middle of the phone pixel's 3 x 3 block.
                const std::uint8_t* got = at(f, (12 + x) * scale + 1, (26 + y) * scale + 1);
                const QRgb c = want.pixel(x, y);
                error += std::abs(got[0] - qBlue(c)) + std::abs(got[1] - qGreen(c)) +
                         std::abs(got[2] - qRed(c));
            }
        EXPECT_LT(error / (kWidth * kHeight * 3.0), 6.0);
        const std::uint8_t* border = at(f, 4, 4);
        EXPECT_NEAR(border[0], qBlue(skinColour), 4);
        EXPECT_NEAR(border[1], qGreen(skinColour), 4);
        EXPECT_NEAR(border[2], qRed(skinColour), 4);
    }
}
