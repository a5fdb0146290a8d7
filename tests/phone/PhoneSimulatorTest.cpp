#include "phone/PhoneSimulator.h"
#include "phone/HomeScreenScene.h"
#include "phone/PhoneLink.h"
#include "phone/StopSignal.h"
#include "tests/support/PtyLine.h"
#include "tests/support/StreamDecoder.h"
#include "tests/support/TempFolder.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>

using namespace phonetest;

namespace {

// One QGuiApplication for these tests, destroyed after the last one so that
// the font libraries release what they hold.
class CGuiEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "test_phone";
        static char* argv[] = {name, nullptr};
        m_app = std::make_unique<QGuiApplication>(argc, argv);
    }
    void TearDown() override { m_app.reset(); }

private:
    std::unique_ptr<QGuiApplication> m_app;
};

[[maybe_unused]] ::testing::Environment* const g_gui =
    ::testing::AddGlobalTestEnvironment(new CGuiEnvironment);

void NeedGui() {
    ASSERT_NE(QGuiApplication::instance(), nullptr);
}

std::vector<std::uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Hands out what another source renders and keeps a copy of each picture.
class CRecordingSource : public IPictureSource {
public:
    explicit CRecordingSource(IPictureSource& inner) : m_inner(inner) {}
    void Render(std::int64_t n, std::int64_t ms, std::vector<std::uint16_t>& pic) override {
        m_inner.Render(n, ms, pic);
        pictures.push_back(pic);
    }
    std::vector<std::vector<std::uint16_t>> pictures;

private:
    IPictureSource& m_inner;
};

struct RunCase {
    const char* name;
    int format;
    int platform;
    int headerEvery;
    unsigned baud;
    double fps;
};

// Runs the simulator into a file and reads the file back as the PC would.
TEST(PhoneSimulator, StreamDecodesToThePicturesSent) {
    NeedGui();
    const RunCase cases[] = {
        {"S60 format 12", 12, 0, 0, 0, 0},
        {"UIQ format 12, header every 4", 12, 1, 4, 0, 0},
        {"S60 format 8, header every 5", 8, 0, 5, 0, 0},
        {"UIQ format 8", 8, 1, 0, 0, 0},
        {"S60 paced line, steady frame rate", 12, 0, 0, 4000000, 200},
    };
    const std::int64_t clockStart = TodayAt(10 * 3600 + 59 * 60 + 58);
    const CTempFolder dir;
    for (const RunCase& c : cases) {
        SCOPED_TRACE(c.name);
        CStopSignal::Reset();
        PhoneOptions o;
        o.eOutput = PhoneOptions::Output::File;
        o.strPath = dir.File("run.bin");
        o.nFormat = c.format;
        o.nPlatform = c.platform;
        o.nHeaderEvery = c.headerEvery;
        o.nBaud = c.baud;
        o.dFps = c.fps;
        o.nFrames = 11;
        o.bClose = true;

        CHomeScreenScene scene(o.Width(), o.Height());
        CRecordingSource source(scene);
        CPhoneLink link;
        ASSERT_TRUE(link.OpenFile(o.strPath)) << link.ErrorText();
        CPhoneSimulator sim(o, source, link, clockStart);
        std::vector<std::vector<std::uint16_t>> shown;
        std::vector<bool> headers;
        sim.SetObserver([&](const CPhoneSimulator::SentFrame& f) {
            EXPECT_EQ(f.nIndex, std::int64_t(shown.size()));
            shown.push_back(*f.pShown);
            headers.push_back(f.bHeader);
        });
        ASSERT_EQ(sim.Run(), CPhoneSimulator::End::FrameLimit) << sim.ErrorText();
        link.Close();
        EXPECT_EQ(sim.FramesSent(), 11);

        const std::vector<std::uint8_t> stream = ReadFile(o.strPath);
        EXPECT_EQ(stream.size(), sim.BytesSent());
        CStreamDecoder rx;
        rx.Feed(stream);
        ASSERT_EQ(rx.frames.size(), 11u);
        EXPECT_EQ(rx.closeNotices, 1);
        EXPECT_EQ(rx.Receiver().Stats().noiseBytes, 0u);
        ASSERT_EQ(source.pictures.size(), 11u);
        for (std::size_t i = 0; i < rx.frames.size(); ++i) {
            SCOPED_TRACE("frame " + std::to_string(i));
            const DecodedFrame& f = rx.frames[i];
            ASSERT_EQ(f.eResult, CScreenDecoder::Result::Ok);
            EXPECT_TRUE(f.bWholeBody);
            const bool wantHeader = i == 0 || (c.headerEvery && i % c.headerEvery == 0);
            EXPECT_EQ(f.bHeader, wantHeader);
            EXPECT_EQ(headers[i], wantHeader);
            ASSERT_EQ(f.picture, shown[i]);
            if (c.format == 12) {
                ASSERT_EQ(f.picture, source.pictures[i]);
            }
        }
        int w = 0, h = 0, format = 0;
        rx.Decoder().GetScreenFormat(w, h, format);
        EXPECT_EQ(w, o.Width());
        EXPECT_EQ(h, o.Height());
        EXPECT_EQ(format, c.format);
        // The first picture is the scene at the clock's start.
        std::vector<std::uint16_t> expected;
        CHomeScreenScene(o.Width(), o.Height()).Render(0, clockStart, expected);
        EXPECT_EQ(source.pictures[0], expected);
    }
}

TEST(PhoneSimulator, SceneShowsTheClockAndTicks) {
    NeedGui();
    CHomeScreenScene scene(176, 208);
    std::vector<std::uint16_t> a, a2, b;
    const std::int64_t t = TodayAt(12 * 3600);
    scene.Render(0, t, a);
    scene.Render(1, t + 400, a2);
    scene.Render(2, t + 1000, b);
    ASSERT_EQ(a.size(), 176u * 208u);
    EXPECT_EQ(a, a2); // within one second nothing moves
    EXPECT_NE(a, b);  // the seconds tick
    // Only a small part of the screen changes with a tick.
    std::size_t changed = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        changed += a[i] != b[i];
    EXPECT_LT(changed, a.size() / 8);
}

// A serial device the phone's end opens is set up as the program's end sets
// its own: raw, so every byte passes unchanged (a terminal in its first
// settings turns "\n" into "\r\n"), and locked, so a second program is told
// the port is busy.
TEST(PhoneLink, ASerialDeviceIsRawAndLocked) {
    testsupport::CPtyLine line; // the kernel's first settings
    CPhoneLink link;
    ASSERT_TRUE(link.OpenPort(line.Path())) << link.ErrorText();
    const std::string bytes = std::string("stx\n\r\x03\x11\x7f", 8) + '\0';
    ASSERT_EQ(link.Send(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()),
              CPhoneLink::Status::Ok);
    ASSERT_TRUE(line.ReadUntil([&] { return line.Received().size() >= bytes.size(); }));
    EXPECT_EQ(line.Received(), bytes);

    CPhoneLink second;
    EXPECT_FALSE(second.OpenPort(line.Path()));
    EXPECT_NE(second.ErrorText().find("busy"), std::string::npos) << second.ErrorText();
}

} // namespace
