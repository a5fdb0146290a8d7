// The programs as a user runs them: lumetto-phone on a pseudo-terminal and
// lumetto without a window, recording and capturing.
#include "tests/support/ChildProcess.h"
#include "tests/support/MovieFrames.h"
#include "tests/support/TempFolder.h"

#include <QColor>
#include <QImage>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using testsupport::CChild;
using testsupport::MovieFrames;
using Bytes = std::vector<std::uint8_t>;

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
    CChild phone("lumetto-phone",
                 {"--pty", "--fps", "20", "--rate", "0", (dir.Dir() / "screen.png").string()});
    const std::string port = phone.ReadLine();
    ASSERT_EQ(port.rfind("/dev/", 0), 0u) << phone.Stderr();

    const fs::path movie = dir.Dir() / "movie.avi", shot = dir.Dir() / "shot.bmp";
    CChild lumetto("lumetto", {"--port", port, "--no-window", "--record", movie.string(),
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

TEST(EndToEnd, EndsWhenThePhoneCloses) {
    CChild phone("lumetto-phone",
                 {"--pty", "--fps", "20", "--rate", "0", "--frames", "10", "--close"});
    const std::string port = phone.ReadLine();
    ASSERT_EQ(port.rfind("/dev/", 0), 0u) << phone.Stderr();
    CChild lumetto("lumetto", {"--port", port, "--no-window", "--exit-on-close"});
    EXPECT_EQ(lumetto.Wait(), 0) << lumetto.Stderr();
}

TEST(EndToEnd, PortThatCannotOpenFailsWithoutAWindow) {
    CChild lumetto("lumetto", {"--port", "/dev/nonexistent-port", "--no-window"});
    EXPECT_EQ(lumetto.Wait(), 1);
    // Every line starts with the program's name; the box's caption is not printed.
    EXPECT_EQ(lumetto.Stderr(), "lumetto: No such file or directory\n"
                                "lumetto: /dev/nonexistent-port does not exist. Check that the "
                                "phone is connected.\n");
}

// Without a window a lost connection is waited for too: the phone comes back
// under the same name and the program goes on. --no-reconnect ends the run.
TEST(EndToEnd, WithoutAWindowALostConnectionIsOpenedAgain) {
    for (const bool bReconnect : {true, false}) {
        SCOPED_TRACE(bReconnect ? "reconnect" : "--no-reconnect");
        CTempFolder dir;
        const fs::path link = dir.Dir() / "phone";
        CChild first("lumetto-phone", {"--pty", "--fps", "20", "--rate", "0", "--frames", "5"});
        const std::string port = first.ReadLine();
        ASSERT_EQ(port.rfind("/dev/", 0), 0u) << first.Stderr();
        fs::create_symlink(port, link);
        std::vector<std::string> args = {"--port", link.string(), "--no-window"};
        if (!bReconnect)
            args.push_back("--no-reconnect");
        CChild lumetto("lumetto", args);
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
        CChild second("lumetto-phone", {"--pty", "--fps", "20", "--rate", "0"});
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
    CChild help("lumetto", {"--help"});
    EXPECT_EQ(help.Wait(), 0);
    CChild version("lumetto", {"--version"});
    EXPECT_EQ(version.ReadLine(), "Lumetto version 2.0");
    CChild bad("lumetto", {"--frobnicate"});
    EXPECT_EQ(bad.Wait(), 2);
}
