// The serial driver end to end over pseudo-terminals: the test thread plays
// the UI thread (it serves the hand-over whenever it waits), the far side of
// the pseudo-terminal plays the phone.
#include "link/SerialPort.h"

#include "platform/HandOver.h"
#include "platform/RecordingPresenter.h"
#include "platform/SystemError.h"
#include "tests/support/FrameBuilder.h"
#include "tests/support/PtyLine.h"

#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <sys/file.h>
#include <termios.h>

using namespace testsupport;
using namespace std::chrono_literals;

namespace {

// The view's stand-in. Every call must come on the UI (test) thread.
class CFakeView : public ILinkOwner {
public:
    void OnPortFrame(const std::uint8_t* pPayload, std::uint32_t nLength) override {
        EXPECT_EQ(std::this_thread::get_id(), m_ui);
        frames.emplace_back(pPayload, pPayload + nLength);
        if (onFrame)
            onFrame();
    }
    void ResetScreen(bool bShowStored) override {
        EXPECT_EQ(std::this_thread::get_id(), m_ui);
        EXPECT_TRUE(bShowStored);
        ++resets;
    }
    bool ShowsReceivedScreens() const override {
        EXPECT_EQ(std::this_thread::get_id(), m_ui);
        return showsScreens;
    }
    void OnConnectionLost() override {
        EXPECT_EQ(std::this_thread::get_id(), m_ui);
        ++lost;
    }

    std::vector<Bytes> frames;
    int resets = 0;
    int lost = 0;
    bool showsScreens = false;
    std::function<void()> onFrame;

private:
    std::thread::id m_ui = std::this_thread::get_id();
};

bool WaitFor(const std::function<bool()>& fnDone, std::chrono::milliseconds limit = 20s) {
    return UiHandOver().WaitServing(fnDone, limit);
}

CSerialPort::Timing QuietTiming() {
    CSerialPort::Timing t;
    t.silence = std::chrono::hours(1); // no silence resets unless a test wants them
    return t;
}

class SerialPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        UiHandOver().AttachUiThread();
        port.SetTimingForTests(QuietTiming());
        port.SetOwnerView(&view);
    }
    void TearDown() override {
        port.SetOwnerView(nullptr);
        EXPECT_TRUE(port.Close(true));
        UiHandOver().DetachUiThread();
    }
    void OpenAndMonitor() {
        ASSERT_TRUE(port.Open(&view, phone.Path()));
        ASSERT_TRUE(port.StartMonitor());
    }

    CScopedRecordingPresenter messages;
    CPtyLine phone;
    CFakeView view;
    CSerialPort port;
};

TEST_F(SerialPortTest, FramesInUnevenPiecesArriveInOrderOnTheUiThread) {
    OpenAndMonitor();
    const std::vector<Bytes> payloads = {Pattern(300, 1), Pattern(0, 0), Pattern(5000, 9),
                                         Pattern(1, 4)};
    Bytes stream = Text("noise before");
    for (const Bytes& p : payloads)
        stream = Cat({stream, Frame(p)});
    ASSERT_TRUE(phone.WriteInPieces(stream, {1, 7, 13, 5, 1000, 2, 4096}));
    ASSERT_TRUE(WaitFor([&] { return view.frames.size() >= payloads.size(); }));
    EXPECT_EQ(view.frames, payloads);

    // Two frames in one write give two calls, in order.
    const Bytes a = Pattern(40, 2);
    const Bytes b = Pattern(41, 3);
    ASSERT_TRUE(phone.Write(Cat({Frame(a), Frame(b)})));
    ASSERT_TRUE(WaitFor([&] { return view.frames.size() == payloads.size() + 2; }));
    EXPECT_EQ(view.frames[payloads.size()], a);
    EXPECT_EQ(view.frames[payloads.size() + 1], b);
    EXPECT_EQ(view.resets, 0);
    EXPECT_EQ(messages.Count(), 0u);
}

TEST_F(SerialPortTest, LargestFrameArrivesWhole) {
    OpenAndMonitor();
    const Bytes payload = Pattern(CFrameReceiver::kBufferSize - CFrameReceiver::kFrameOverhead, 5);
    ASSERT_TRUE(phone.Write(Frame(payload)));
    ASSERT_TRUE(WaitFor([&] { return view.frames.size() == 1; }));
    EXPECT_EQ(view.frames[0], payload);
}

TEST_F(SerialPortTest, ClosingNoticeResetsTheViewAndKeepsMonitoring) {
    OpenAndMonitor();
    ASSERT_TRUE(phone.Write(Frame(Pattern(12, 1), "close_tx")));
    ASSERT_TRUE(WaitFor([&] { return view.resets == 1; }));
    EXPECT_TRUE(view.frames.empty());
    EXPECT_TRUE(port.IsOpen());

    ASSERT_TRUE(phone.Write(Frame(Pattern(10, 2))));
    ASSERT_TRUE(WaitFor([&] { return view.frames.size() == 1; }));
    EXPECT_EQ(view.frames[0], Pattern(10, 2));
    EXPECT_EQ(view.resets, 1);
}

TEST_F(SerialPortTest, SilenceResetsTheViewOnceAndDropsThePartialFrame) {
    CSerialPort::Timing t;
    t.silence = 150ms;
    port.SetTimingForTests(t);
    OpenAndMonitor();
    // Half a frame, then silence.
    const Bytes first = Frame(Pattern(100, 1));
    ASSERT_TRUE(phone.Write(Bytes(first.begin(), first.begin() + 60)));
    ASSERT_TRUE(WaitFor([&] { return view.resets == 1; }));
    // After a silence the driver waits without a time limit: give it many
    // silence periods to misbehave in.
    WaitFor([&] { return view.resets > 1; }, 10 * t.silence);
    EXPECT_EQ(view.resets, 1);

    // The partial frame was dropped: a whole frame arrives intact.
    ASSERT_TRUE(phone.Write(Frame(Pattern(30, 7))));
    ASSERT_TRUE(WaitFor([&] { return view.frames.size() == 1; }));
    EXPECT_EQ(view.frames[0], Pattern(30, 7));
    // Data re-arms the silence time limit.
    ASSERT_TRUE(WaitFor([&] { return view.resets == 2; }));
    EXPECT_TRUE(port.IsOpen());
}

struct CloseCase {
    bool bShowsScreens;
    bool bSendClose;
    std::string expected; // what reached the phone
};

void PrintTo(const CloseCase& c, std::ostream* os) {
    *os << (c.bShowsScreens ? "live" : "idle") << (c.bSendClose ? ", send close" : ", no close");
}

class SerialPortCloseTest : public SerialPortTest,
                            public ::testing::WithParamInterface<CloseCase> {};

TEST_P(SerialPortCloseTest, CloseWritesTheMarkerOnlyWhileShowingScreens) {
    OpenAndMonitor();
    view.showsScreens = GetParam().bShowsScreens;
    ASSERT_TRUE(port.Close(GetParam().bSendClose));
    EXPECT_FALSE(port.IsOpen());
    EXPECT_FALSE(port.HasMonitorThread());
    EXPECT_EQ(phone.Received(), GetParam().expected);
    EXPECT_EQ(view.resets, 1);

    // A second Close does nothing.
    EXPECT_TRUE(port.Close(true));
    EXPECT_EQ(view.resets, 1);
    EXPECT_EQ(phone.Received(), GetParam().expected); // nothing more
    EXPECT_EQ(messages.Count(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Views, SerialPortCloseTest,
                         ::testing::Values(CloseCase{true, true, "close_tx"},
                                           CloseCase{false, true, ""}, CloseCase{true, false, ""}));

TEST_F(SerialPortTest, CloseOnADriverThatWasNeverOpenedDoesNothing) {
    EXPECT_TRUE(port.Close(true));
    EXPECT_TRUE(port.Close(false));
    EXPECT_EQ(view.resets, 0);
    EXPECT_EQ(messages.Count(), 0u);
}

TEST_F(SerialPortTest, AViewThatUnregistersGetsNoMorePayloads) {
    auto first = std::make_unique<CFakeView>();
    port.SetOwnerView(first.get());
    ASSERT_TRUE(port.Open(first.get(), phone.Path()));
    ASSERT_TRUE(port.StartMonitor());
    ASSERT_TRUE(phone.Write(Frame(Pattern(7, 1))));
    ASSERT_TRUE(WaitFor([&] { return first->frames.size() == 1; }));
    // The view goes away while the connection stays open.
    port.SetOwnerView(nullptr);
    first.reset();
    port.SetOwnerView(&view);
    // The closing notice after the frame shows that the frame was handled.
    ASSERT_TRUE(phone.Write(Cat({Frame(Pattern(7, 2)), Frame({}, "close_tx")})));
    ASSERT_TRUE(WaitFor([&] { return view.resets == 1; }));
    EXPECT_TRUE(view.frames.empty());
}

TEST_F(SerialPortTest, CloseWhileADeliveryWaitsForTheUiThreadDoesNotDeadlock) {
    OpenAndMonitor();
    view.showsScreens = true;
    ASSERT_TRUE(phone.Write(Frame(Pattern(20, 1))));
    // Wait, without serving, until the monitor thread blocks in the hand-over.
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (UiHandOver().Pending() == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    ASSERT_EQ(UiHandOver().Pending(), 1u);

    ASSERT_TRUE(port.Close(true));
    EXPECT_EQ(view.frames.size(), 1u); // run by Close while it waited
    EXPECT_EQ(phone.Received(), "close_tx");
    EXPECT_FALSE(port.HasMonitorThread());
}

TEST_F(SerialPortTest, CloseFromInsideADeliveryIsRefusedWithoutDeadlock) {
    OpenAndMonitor();
    int refused = 0;
    view.onFrame = [&] {
        if (!port.Close(true))
            ++refused;
    };
    ASSERT_TRUE(phone.Write(Frame(Pattern(3, 1))));
    ASSERT_TRUE(WaitFor([&] { return view.frames.size() == 1; }));
    EXPECT_EQ(refused, 1);
    EXPECT_TRUE(port.IsOpen());
    view.onFrame = nullptr;
    // The connection still works and closes normally.
    ASSERT_TRUE(phone.Write(Frame(Pattern(4, 2))));
    ASSERT_TRUE(WaitFor([&] { return view.frames.size() == 2; }));
    EXPECT_TRUE(port.Close(true));
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(SerialPortTest, UnpluggedPhoneGivesOneMessageAndAClosedConnection) {
    OpenAndMonitor();
    ASSERT_TRUE(phone.Write(Frame(Pattern(8, 1))));
    ASSERT_TRUE(WaitFor([&] { return view.frames.size() == 1; }));
    phone.HangUp();
    ASSERT_TRUE(WaitFor([&] { return view.lost == 1 && !port.MonitorAlive(); }));
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(view.resets, 1);
    ASSERT_EQ(messages.Count(), 1u);
    const auto msg = messages.Messages()[0];
    EXPECT_EQ(msg.strCaption, "Application Error");
    EXPECT_NE(msg.strText.find(phone.Path()), std::string::npos) << msg.strText;
    EXPECT_NE(msg.strText.find("was lost"), std::string::npos) << msg.strText;
    EXPECT_EQ(msg.thread, std::this_thread::get_id());

    // Closing now does nothing more; the driver opens again on a new line.
    EXPECT_TRUE(port.Close(true));
    EXPECT_EQ(view.resets, 1);
    EXPECT_FALSE(port.HasMonitorThread());

    CPtyLine second;
    ASSERT_TRUE(port.Open(&view, second.Path()));
    ASSERT_TRUE(port.StartMonitor());
    ASSERT_TRUE(second.Write(Frame(Pattern(9, 3))));
    ASSERT_TRUE(WaitFor([&] { return view.frames.size() == 2; }));
    EXPECT_EQ(view.frames[1], Pattern(9, 3));
    EXPECT_EQ(messages.Count(), 1u);

    // An owner that opens the port again itself has the loss told to it alone.
    port.SetLossReport(false);
    second.HangUp();
    ASSERT_TRUE(WaitFor([&] { return view.lost == 2 && !port.MonitorAlive(); }));
    EXPECT_EQ(messages.Count(), 1u);
    EXPECT_EQ(port.LossReason(), SystemErrorText(EIO));
    // Quiet attempts to open the port again show nothing either.
    EXPECT_FALSE(port.Open(&view, "/dev/lumetto-no-such-port", true));
    EXPECT_EQ(port.LastOpenError().rfind(SystemErrorText(ENOENT), 0), 0u) << port.LastOpenError();
    EXPECT_EQ(messages.Count(), 1u);
}

TEST_F(SerialPortTest, OpeningAMissingDeviceOrNoSerialPortShowsOneMessageAndStartsNoThread) {
    const struct {
        const char* path;
        std::string expectedStart;
    } rows[] = {
        {"/dev/lumetto-no-such-port", SystemErrorText(ENOENT)},
        {"/dev/null", "/dev/null is not a serial port."},
    };
    std::size_t nShown = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path);
        EXPECT_FALSE(port.Open(&view, row.path));
        EXPECT_FALSE(port.IsOpen());
        EXPECT_FALSE(port.StartMonitor());
        EXPECT_FALSE(port.HasMonitorThread());
        ASSERT_EQ(messages.Count(), ++nShown);
        EXPECT_EQ(messages.Messages().back().strCaption, "Application Error");
        EXPECT_EQ(messages.Messages().back().strText.rfind(row.expectedStart, 0), 0u)
            << messages.Messages().back().strText;
        EXPECT_EQ(port.LastOpenError(), messages.Messages().back().strText);
    }
}

TEST_F(SerialPortTest, UnknownComNameSaysSo) {
    ::setenv("LUMETTO_PORTS", "", 1);
    EXPECT_FALSE(port.Open(&view, "COM987"));
    ASSERT_EQ(messages.Count(), 1u);
    EXPECT_NE(messages.Messages()[0].strText.find("COM987"), std::string::npos);
}

TEST_F(SerialPortTest, ComAliasFromTheEnvironmentOpensThePseudoTerminal) {
    ::setenv("LUMETTO_PORTS", ("COM42=" + phone.Path()).c_str(), 1);
    ASSERT_TRUE(port.Open(&view, "com42"));
    ::unsetenv("LUMETTO_PORTS");
    EXPECT_EQ(port.CurrentPortName(), "com42");
    ASSERT_TRUE(port.StartMonitor());
    ASSERT_TRUE(phone.Write(Frame(Pattern(5, 5))));
    ASSERT_TRUE(WaitFor([&] { return view.frames.size() == 1; }));
}

TEST_F(SerialPortTest, APortInUseIsReportedBusy) {
    OpenAndMonitor();
    CFakeView otherView;
    CSerialPort other;
    EXPECT_FALSE(other.Open(&otherView, phone.Path()));
    ASSERT_EQ(messages.Count(), 1u);
    EXPECT_NE(messages.Messages()[0].strText.find("in use by another program"), std::string::npos)
        << messages.Messages()[0].strText;
    EXPECT_TRUE(port.IsOpen());

    // Another program's lock (which root cannot pass either).
    CPtyLine locked;
    const int fd = ::open(locked.Path().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    EXPECT_FALSE(other.Open(&otherView, locked.Path()));
    ASSERT_EQ(messages.Count(), 2u);
    EXPECT_NE(messages.Messages()[1].strText.find("in use by another program"), std::string::npos);
    ::close(fd);
    EXPECT_TRUE(other.Open(&otherView, locked.Path()));
}

// The phone's side takes nothing (its output is stopped, as a line that holds
// the flow does): the closing marker cannot be written, yet Close returns
// after about its one second of waiting for it.
TEST_F(SerialPortTest, CloseReturnsSoonWhenTheLineTakesNothing) {
    OpenAndMonitor();
    view.showsScreens = true;
    // Fill the line first; output stopped on the driver's side keeps it from
    // taking the marker even after the driver discards what was queued.
    ::fcntl(phone.SubordinateFd(), F_SETFL, ::fcntl(phone.SubordinateFd(), F_GETFL) | O_NONBLOCK);
    const std::vector<std::uint8_t> block(4096, 0x55);
    while (::write(phone.SubordinateFd(), block.data(), block.size()) > 0) {
    }
    ASSERT_EQ(::tcflow(phone.SubordinateFd(), TCOOFF), 0);

    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(port.Close(true));
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, 1500ms) << std::chrono::duration_cast<std::chrono::milliseconds>(took).count()
                            << " ms";
    EXPECT_FALSE(port.HasMonitorThread());
    EXPECT_EQ(messages.Count(), 0u);
}

TEST_F(SerialPortTest, LineIsRaw115200EightNoneOne) {
    OpenAndMonitor();
    termios tio{};
    ASSERT_EQ(::tcgetattr(phone.SubordinateFd(), &tio), 0);
    EXPECT_EQ(::cfgetispeed(&tio), static_cast<speed_t>(B115200));
    EXPECT_EQ(::cfgetospeed(&tio), static_cast<speed_t>(B115200));
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_NE(tio.c_cflag & CREAD, 0u);
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | ICRNL | INLCR | ISTRIP), 0u);
    EXPECT_EQ(tio.c_oflag & OPOST, 0u);
    EXPECT_EQ(tio.c_cc[VMIN], 0);
    EXPECT_EQ(tio.c_cc[VTIME], 0);
}

TEST_F(SerialPortTest, ReopeningClosesTheOldConnectionFirst) {
    OpenAndMonitor();
    view.showsScreens = true;
    CPtyLine second;
    ASSERT_TRUE(port.Open(&view, second.Path()));
    EXPECT_EQ(phone.Received(), "close_tx");
    EXPECT_EQ(view.resets, 1);
    EXPECT_FALSE(port.HasMonitorThread());
    ASSERT_TRUE(port.StartMonitor());
    ASSERT_TRUE(second.Write(Frame(Pattern(6, 6))));
    ASSERT_TRUE(WaitFor([&] { return view.frames.size() == 1; }));
}

TEST_F(SerialPortTest, DestroyingTheDriverWhileMonitoringWritesNothing) {
    view.showsScreens = true;
    {
        CSerialPort local;
        local.SetTimingForTests(QuietTiming());
        local.SetOwnerView(&view);
        ASSERT_TRUE(local.Open(&view, phone.Path()));
        ASSERT_TRUE(local.StartMonitor());
        ASSERT_TRUE(phone.Write(Frame(Pattern(2, 2))));
        ASSERT_TRUE(WaitFor([&] { return view.frames.size() == 1; }));
    }
    EXPECT_TRUE(phone.Received().empty());
    EXPECT_EQ(view.resets, 0);
}

int OpenDescriptors() {
    int n = 0;
    if (DIR* d = ::opendir("/proc/self/fd")) {
        while (::readdir(d))
            ++n;
        ::closedir(d);
    }
    return n;
}

TEST_F(SerialPortTest, AThousandOpenCloseCyclesLeakNothing) {
    OpenAndMonitor();
    ASSERT_TRUE(port.Close(true));
    const int before = OpenDescriptors();
    for (int i = 0; i < 1000; ++i) {
        ASSERT_TRUE(port.Open(&view, phone.Path())) << i;
        ASSERT_TRUE(port.StartMonitor()) << i;
        ASSERT_TRUE(port.Close(true)) << i;
    }
    EXPECT_EQ(OpenDescriptors(), before);
    EXPECT_EQ(messages.Count(), 0u);
}

} // namespace
