// The whole program in one process: the application object with its window
// on the offscreen platform, a phone played on a pseudo-terminal.
#include "media/AviRecorder.h"
#include "res/ResourceIds.h"
#include "tests/app/PhoneLine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

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
    p.View()->SetFramePeriodMs(20);
    p.dialogs.answer = p.dir.File("movie.avi");
    ASSERT_TRUE(p.Run(ID_FILE_RECORD_MOVIE));
    ASSERT_TRUE(p.View()->IsRecording());
    EXPECT_FALSE(p.Enabled(ID_FILE_RECORD_MOVIE));
    EXPECT_TRUE(p.Enabled(ID_FILE_STOP_RECORDING));
    ASSERT_TRUE(WaitFor([&] { return p.View()->Recorder()->GetFrameCount() >= 3; }));

    // Capture: the file is the picture with the white slack row, REC! not in it.
    p.dialogs.answer = p.dir.File("shot.bmp");
    ASSERT_TRUE(p.Run(ID_FILE_CAPTURE_SCREEN));
    std::ifstream in(p.dir.File("shot.bmp"), std::ios::binary);
    const Bytes bmp((std::istreambuf_iterator<char>(in)), {});
    ASSERT_EQ(bmp.size(), 110406u);
    EXPECT_EQ(Bytes(bmp.begin() + 54, bmp.end() - 528), Expected(second));
    EXPECT_EQ(Bytes(bmp.end() - 528, bmp.end()), Bytes(528, 0xFF));
    EXPECT_EQ(p.dialogs.asked.back().strFilter,
              "PNG images (*.png)|*.png|BMP files (*.bmp)|*.bmp||");

    ASSERT_TRUE(p.Run(ID_FILE_STOP_RECORDING));
    EXPECT_FALSE(p.View()->IsRecording());
    EXPECT_EQ(p.dialogs.asked.front().strFilter,
              "MP4 video (*.mp4)|*.mp4|AVI Files (*.avi)|*.avi||");
    EXPECT_GT(fs::file_size(p.dir.File("movie.avi")), 3 * 110000u);

    // Closing while a live picture shows tells the phone.
    ASSERT_TRUE(p.Run(ID_FILE_CLOSE_CONNECTION));
    EXPECT_FALSE(p.app.m_serial.IsOpen());
    EXPECT_EQ(p.Caption(), "No connection - Morvane Lumetto");
    EXPECT_TRUE(p.View()->ScreenWindow()->IsBitmapMode());
    ASSERT_TRUE(WaitFor([&] { return p.phone.ReadNow() == "close_tx"; }));
}

TEST(App, PhoneClosingResetsTheScreenButKeepsThePort) {
    LiveProgram p;
    p.dialogs.answer = p.dir.File("m.avi");
    ASSERT_TRUE(p.Run(ID_FILE_RECORD_MOVIE));

    p.phone.Write(CloseNotice());
    ASSERT_TRUE(WaitFor([&] { return !p.View()->HasLivePicture(); }));
    EXPECT_FALSE(p.View()->IsRecording());
    EXPECT_TRUE(p.app.m_serial.IsOpen());
    EXPECT_EQ(p.Caption(), p.phone.Path() + " - Morvane Lumetto");

    // The next header brings the picture back.
    const Picture next = BlockPicture(3);
    p.phone.Write(ScreenFrame(next, nullptr));
    ASSERT_TRUE(p.Shows(next));
}

TEST(App, ScreenSizeChangeEndsTheRecordingAndSwitchesPlatform) {
    LiveProgram p;
    p.dialogs.answer = p.dir.File("m.avi");
    ASSERT_TRUE(p.Run(ID_FILE_RECORD_MOVIE));

    const Picture uiq = Noise(208, 320, 5);
    p.phone.Write(ScreenFrame(uiq, nullptr, 208, 320));
    ASSERT_TRUE(p.Shows(uiq, 208, 320));
    EXPECT_FALSE(p.View()->IsRecording());
    EXPECT_EQ(p.View()->CurrentPlatform(), 1);
    EXPECT_EQ(p.View()->size(), QSize(208, 320)); // the built-in UIQ frame
    EXPECT_NE(p.Messages().find("screen size changed"), std::string::npos);
}

TEST(App, ExitAsksWhileAPictureShows) {
    LiveProgram p;
    p.presenter.SetAnswer(false);
    p.app.MainWindow()->close();
    ASSERT_EQ(p.presenter.Count(), 1u);
    EXPECT_EQ(p.presenter.Messages()[0].strText, "Close the connection and exit the application?");
    EXPECT_TRUE(p.app.MainWindow()->isVisible());
    EXPECT_TRUE(p.app.m_serial.IsOpen());

    p.presenter.SetAnswer(true);
    p.app.MainWindow()->close();
    EXPECT_FALSE(p.app.MainWindow()->isVisible());
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
