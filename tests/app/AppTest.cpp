// The whole program in one process: the application object with its window
// on the offscreen platform, a phone played on a pseudo-terminal.
#include "app/FileDialogs.h"
#include "app/MainFrame.h"
#include "app/QuillonApp.h"
#include "app/QuillonView.h"
#include "codec/FrameWriter.h"
#include "codec/ScreenEncoder.h"
#include "display/ScreenWnd.h"
#include "media/AviRecorder.h"
#include "platform/RecordingPresenter.h"
#include "res/ResourceIds.h"
#include "tests/support/QtTestEnvironment.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace fs = std::filesystem;
using testsupport::WaitFor;
using Bytes = std::vector<std::uint8_t>;

namespace {

// The phone's end of a pseudo-terminal.
class FakePhone {
public:
    FakePhone() {
        int sub = -1;
        char name[128] = {};
        EXPECT_EQ(::openpty(&m_fd, &sub, name, nullptr, nullptr), 0);
        m_strPath = name;
        termios tio{};
        ::tcgetattr(sub, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(sub, TCSANOW, &tio);
        m_sub = sub; // held open so the line never hangs up between opens
        ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) | O_NONBLOCK);
    }
    ~FakePhone() {
        ::close(m_fd);
        ::close(m_sub);
    }
    const std::string& Path() const { return m_strPath; }

    void Write(const Bytes& b) {
        std::size_t done = 0;
        while (done < b.size()) {
            const ssize_t n = ::write(m_fd, b.data() + done, b.size() - done);
            if (n > 0)
                done += static_cast<std::size_t>(n);
            else if (errno == EAGAIN)
                ::usleep(1000);
            else
                FAIL() << "write: " << std::strerror(errno);
        }
    }
    // A screen frame with this picture (12-bit colours), coded against the last.
    void SendPicture(const std::vector<std::uint16_t>& pic, int w, int h, bool header) {
        Bytes payload, frame;
        CScreenEncoder::Params p;
        p.nWidth = w;
        p.nHeight = h;
        p.bHeader = header;
        ASSERT_TRUE(m_encoder.Encode(pic.data(), header ? nullptr : m_last.data(), p, payload));
        m_last = pic;
        CFrameWriter::AppendScreenFrame(payload, frame);
        Write(frame);
    }
    void SendCloseNotice() {
        Bytes frame;
        CFrameWriter::AppendCloseNotice(frame);
        Write(frame);
    }
    // What the program wrote to the phone so far.
    std::string Received() {
        char buf[256];
        ssize_t n;
        while ((n = ::read(m_fd, buf, sizeof buf)) > 0)
            m_received.append(buf, static_cast<std::size_t>(n));
        return m_received;
    }

private:
    int m_fd = -1;
    int m_sub = -1;
    std::string m_strPath;
    CScreenEncoder m_encoder;
    std::vector<std::uint16_t> m_last;
    std::string m_received;
};

class FakeDialogs : public IFileDialogs {
public:
    std::optional<std::string> GetSaveFileName(SaveKind, const std::string& filter,
                                               const std::string& ext) override {
        filters.push_back(filter + " " + ext);
        return answer;
    }
    std::optional<std::string> answer;
    std::vector<std::string> filters;
};

// A picture whose every pixel differs from its neighbours.
std::vector<std::uint16_t> Picture(int w, int h, int seed) {
    std::vector<std::uint16_t> pic(static_cast<std::size_t>(w) * h);
    for (std::size_t i = 0; i < pic.size(); ++i)
        pic[i] = static_cast<std::uint16_t>((i * 37 + seed * 101) & 0xFFF);
    return pic;
}

// The bytes the screen window should hold for a picture: bottom-up BGR.
Bytes Expected(const std::vector<std::uint16_t>& pic, int w, int h) {
    Bytes out;
    for (int y = h - 1; y >= 0; --y)
        for (int x = 0; x < w; ++x) {
            const unsigned c = pic[static_cast<std::size_t>(y) * w + x];
            out.push_back(static_cast<std::uint8_t>((c & 0xF) * 17));
            out.push_back(static_cast<std::uint8_t>(((c >> 4) & 0xF) * 17));
            out.push_back(static_cast<std::uint8_t>(((c >> 8) & 0xF) * 17));
        }
    return out;
}

Bytes ScreenBytes(CQuillonView* v) {
    const CScreenDib* dib = v->ScreenWindow()->GetScreenBitmap();
    if (!dib)
        return {};
    return Bytes(dib->Bits(), dib->Bits() + dib->Stride() * dib->Height());
}

std::string Caption(CQuillonApp& app) {
    return app.MainWindow()->windowTitle().toStdString();
}

struct Fixture {
    CTempFolder dir;
    CRecordingPresenter presenter;
    FakeDialogs dialogs;
    CQuillonApp app;
    int nChooserCalls = 0;
    std::optional<std::string> chosenPort;

    explicit Fixture(bool bSkins = false) {
        app.SetPresenter(&presenter);
        app.SetFileDialogs(&dialogs);
        if (!bSkins)
            app.SetProgramFolder(dir.Dir().string() + "/");
        app.SetPortChooser([this] {
            ++nChooserCalls;
            return chosenPort;
        });
    }
    CQuillonView* View() { return app.View(); }
    bool Enabled(int id) { return app.MainWindow()->IsCommandEnabled(id); }
};

} // namespace

TEST(App, StartsWithTheDialogAndNoConnection) {
    Fixture f;
    ASSERT_TRUE(f.app.InitInstance({}));
    ASSERT_TRUE(WaitFor([&] { return f.nChooserCalls == 1; }));
    EXPECT_EQ(Caption(f.app), "No connection - Morvane Lumetto");
    // Sized for the built-in S60 frame, and not resizable by the user.
    EXPECT_EQ(f.View()->size(), QSize(176, 208));
    EXPECT_EQ(f.app.MainWindow()->minimumSize(), f.app.MainWindow()->maximumSize());
    EXPECT_TRUE(f.View()->ScreenWindow()->IsBitmapMode());
    EXPECT_TRUE(f.Enabled(ID_FILE_OPEN_CONNECTION));
    for (int id : {ID_FILE_CLOSE_CONNECTION, ID_FILE_RECORD_MOVIE, ID_FILE_STOP_RECORDING,
                   ID_FILE_CAPTURE_SCREEN})
        EXPECT_FALSE(f.Enabled(id)) << id;
    // A command its rule disables does nothing, from the keyboard too.
    EXPECT_FALSE(f.app.MainWindow()->RunCommand(ID_FILE_CLOSE_CONNECTION));
    // No live picture: closing asks nothing.
    f.app.MainWindow()->close();
    EXPECT_EQ(f.presenter.Count(), 0u);
}

TEST(App, ShowsThePhoneRecordsCapturesAndCloses) {
    Fixture f;
    FakePhone phone;
    f.chosenPort = phone.Path();
    ASSERT_TRUE(f.app.InitInstance({}));
    ASSERT_TRUE(WaitFor([&] { return f.app.m_serial.IsOpen(); }));
    EXPECT_EQ(Caption(f.app), phone.Path() + " - Morvane Lumetto");
    EXPECT_FALSE(f.Enabled(ID_FILE_RECORD_MOVIE));

    const auto first = Picture(176, 208, 1);
    phone.SendPicture(first, 176, 208, true);
    ASSERT_TRUE(WaitFor([&] { return ScreenBytes(f.View()) == Expected(first, 176, 208); }));
    EXPECT_TRUE(f.Enabled(ID_FILE_RECORD_MOVIE));
    EXPECT_TRUE(f.Enabled(ID_FILE_CAPTURE_SCREEN));

    // A delta on top of it.
    auto second = first;
    for (std::size_t i = 0; i < second.size(); i += 97)
        second[i] = 0x0F0;
    phone.SendPicture(second, 176, 208, false);
    ASSERT_TRUE(WaitFor([&] { return ScreenBytes(f.View()) == Expected(second, 176, 208); }));

    // Record a few frames.
    f.View()->SetFramePeriodMs(20);
    f.dialogs.answer = (f.dir.Dir() / "movie.avi").string();
    ASSERT_TRUE(f.app.MainWindow()->RunCommand(ID_FILE_RECORD_MOVIE));
    ASSERT_TRUE(f.View()->IsRecording());
    EXPECT_FALSE(f.Enabled(ID_FILE_RECORD_MOVIE));
    EXPECT_TRUE(f.Enabled(ID_FILE_STOP_RECORDING));
    ASSERT_TRUE(WaitFor([&] { return f.View()->Recorder()->GetFrameCount() >= 3; }));

    // Capture: the file is the picture with the white slack row, REC! not in it.
    f.dialogs.answer = (f.dir.Dir() / "shot.bmp").string();
    ASSERT_TRUE(f.app.MainWindow()->RunCommand(ID_FILE_CAPTURE_SCREEN));
    std::ifstream in(f.dir.Dir() / "shot.bmp", std::ios::binary);
    const Bytes bmp((std::istreambuf_iterator<char>(in)), {});
    ASSERT_EQ(bmp.size(), 110406u);
    EXPECT_EQ(Bytes(bmp.begin() + 54, bmp.end() - 528), Expected(second, 176, 208));
    EXPECT_EQ(Bytes(bmp.end() - 528, bmp.end()), Bytes(528, 0xFF));
    EXPECT_EQ(f.dialogs.filters.back(), "BMP files (*.bmp)|*.bmp|| bmp");

    ASSERT_TRUE(f.app.MainWindow()->RunCommand(ID_FILE_STOP_RECORDING));
    EXPECT_FALSE(f.View()->IsRecording());
    EXPECT_GT(fs::file_size(f.dir.Dir() / "movie.avi"), 3 * 110000u);

    // Closing while a live picture shows tells the phone.
    ASSERT_TRUE(f.app.MainWindow()->RunCommand(ID_FILE_CLOSE_CONNECTION));
    EXPECT_FALSE(f.app.m_serial.IsOpen());
    EXPECT_EQ(Caption(f.app), "No connection - Morvane Lumetto");
    EXPECT_TRUE(f.View()->ScreenWindow()->IsBitmapMode());
    ASSERT_TRUE(WaitFor([&] { return phone.Received() == "close_tx"; }));
}

TEST(App, PhoneClosingResetsTheScreenButKeepsThePort) {
    Fixture f;
    FakePhone phone;
    f.chosenPort = phone.Path();
    ASSERT_TRUE(f.app.InitInstance({}));
    ASSERT_TRUE(WaitFor([&] { return f.app.m_serial.IsOpen(); }));
    phone.SendPicture(Picture(176, 208, 2), 176, 208, true);
    ASSERT_TRUE(WaitFor([&] { return f.View()->HasLivePicture(); }));
    f.dialogs.answer = (f.dir.Dir() / "m.avi").string();
    ASSERT_TRUE(f.app.MainWindow()->RunCommand(ID_FILE_RECORD_MOVIE));

    phone.SendCloseNotice();
    ASSERT_TRUE(WaitFor([&] { return !f.View()->HasLivePicture(); }));
    EXPECT_FALSE(f.View()->IsRecording());
    EXPECT_TRUE(f.app.m_serial.IsOpen());
    EXPECT_EQ(Caption(f.app), phone.Path() + " - Morvane Lumetto");

    // The next header brings the picture back.
    phone.SendPicture(Picture(176, 208, 3), 176, 208, true);
    ASSERT_TRUE(WaitFor([&] { return f.View()->HasLivePicture(); }));
}

TEST(App, ScreenSizeChangeEndsTheRecordingAndSwitchesPlatform) {
    Fixture f;
    FakePhone phone;
    f.chosenPort = phone.Path();
    ASSERT_TRUE(f.app.InitInstance({}));
    ASSERT_TRUE(WaitFor([&] { return f.app.m_serial.IsOpen(); }));
    phone.SendPicture(Picture(176, 208, 4), 176, 208, true);
    ASSERT_TRUE(WaitFor([&] { return f.View()->HasLivePicture(); }));
    f.dialogs.answer = (f.dir.Dir() / "m.avi").string();
    ASSERT_TRUE(f.app.MainWindow()->RunCommand(ID_FILE_RECORD_MOVIE));

    const auto uiq = Picture(208, 320, 5);
    phone.SendPicture(uiq, 208, 320, true);
    ASSERT_TRUE(WaitFor([&] { return ScreenBytes(f.View()) == Expected(uiq, 208, 320); }));
    EXPECT_FALSE(f.View()->IsRecording());
    EXPECT_EQ(f.View()->CurrentPlatform(), 1);
    EXPECT_EQ(f.View()->size(), QSize(208, 320)); // the built-in UIQ frame
    ASSERT_EQ(f.presenter.Count(), 1u);
    EXPECT_NE(f.presenter.Messages()[0].strText.find("screen size changed"), std::string::npos);
}

TEST(App, ExitAsksWhileAPictureShows) {
    Fixture f;
    FakePhone phone;
    f.chosenPort = phone.Path();
    ASSERT_TRUE(f.app.InitInstance({}));
    ASSERT_TRUE(WaitFor([&] { return f.app.m_serial.IsOpen(); }));
    phone.SendPicture(Picture(176, 208, 6), 176, 208, true);
    ASSERT_TRUE(WaitFor([&] { return f.View()->HasLivePicture(); }));

    f.presenter.SetAnswer(false);
    f.app.MainWindow()->close();
    ASSERT_EQ(f.presenter.Count(), 1u);
    EXPECT_EQ(f.presenter.Messages()[0].strText, "Close the connection and exit the application?");
    EXPECT_TRUE(f.app.MainWindow()->isVisible());
    EXPECT_TRUE(f.app.m_serial.IsOpen());

    f.presenter.SetAnswer(true);
    f.app.MainWindow()->close();
    EXPECT_FALSE(f.app.MainWindow()->isVisible());
}

TEST(App, MovieThatCannotOpenSaysSo) {
    Fixture f;
    FakePhone phone;
    f.chosenPort = phone.Path();
    ASSERT_TRUE(f.app.InitInstance({}));
    ASSERT_TRUE(WaitFor([&] { return f.app.m_serial.IsOpen(); }));
    phone.SendPicture(Picture(176, 208, 7), 176, 208, true);
    ASSERT_TRUE(WaitFor([&] { return f.View()->HasLivePicture(); }));
    f.dialogs.answer = (f.dir.Dir() / "no" / "such" / "m.avi").string();
    ASSERT_TRUE(f.app.MainWindow()->RunCommand(ID_FILE_RECORD_MOVIE));
    EXPECT_FALSE(f.View()->IsRecording());
    ASSERT_EQ(f.presenter.Count(), 1u);
    EXPECT_EQ(f.presenter.Messages()[0].strText.rfind(
                  "Could not initialize video stream. Video recording not started.", 0),
              0u);
    EXPECT_TRUE(f.Enabled(ID_FILE_RECORD_MOVIE));
}
