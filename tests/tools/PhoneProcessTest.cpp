// Runs the lumetto-phone program as a user would and reads what it sends.
#include "tests/support/ChildProcess.h"
#include "tests/support/StreamDecoder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

using namespace phonetest;
using testsupport::CChild;
using Clock = std::chrono::steady_clock;

namespace {

// Generous: these wait on conditions, not on time.
constexpr auto kDeadline = std::chrono::seconds(60);

// Opens the simulator's pseudo-terminal as the PC's serial driver does.
int OpenReader(const std::string& path) {
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    termios t = {};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    tcsetattr(fd, TCSANOW, &t);
    tcflush(fd, TCIOFLUSH);
    return fd;
}

// Reads from fd into the decoder until it holds `frames` frames.
bool ReadFrames(int fd, CStreamDecoder& rx, std::size_t frames) {
    const auto end = Clock::now() + kDeadline;
    std::uint8_t buf[8192];
    while (rx.frames.size() < frames && Clock::now() < end) {
        pollfd p = {fd, POLLIN, 0};
        if (poll(&p, 1, 200) <= 0)
            continue;
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n > 0)
            rx.Feed(buf, std::size_t(n));
        else if (n == 0 || (errno != EAGAIN && errno != EINTR))
            return false;
    }
    return rx.frames.size() >= frames;
}

TEST(PhoneProgram, WritesAFileTheReceiverDecodes) {
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("lumetto-phone-out-" + std::to_string(getpid()) + ".bin"))
                                 .string();
    CChild child("lumetto-phone",
                 {"--out", path, "--frames", "6", "--fps", "0", "--rate", "0", "--format", "8",
                  "--platform", "uiq", "--close", "--clock", "08:15:00"});
    ASSERT_EQ(child.Wait(), 0) << child.Stderr();
    EXPECT_NE(child.Stderr().find("6 frames"), std::string::npos) << child.Stderr();

    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> stream{std::istreambuf_iterator<char>(in),
                                           std::istreambuf_iterator<char>()};
    std::filesystem::remove(path);
    EXPECT_NE(child.Stderr().find(std::to_string(stream.size()) + " bytes"), std::string::npos);
    CStreamDecoder rx;
    rx.Feed(stream);
    ASSERT_EQ(rx.frames.size(), 6u);
    EXPECT_EQ(rx.closeNotices, 1);
    EXPECT_TRUE(rx.frames[0].bHeader);
    for (const DecodedFrame& f : rx.frames) {
        EXPECT_EQ(f.eResult, CScreenDecoder::Result::Ok);
        EXPECT_TRUE(f.bWholeBody);
    }
    EXPECT_EQ(rx.Decoder().PictureWidth(), 208);
    EXPECT_EQ(rx.Decoder().PictureHeight(), 320);
}

TEST(PhoneProgram, ReportsWhatItCannotDo) {
    CChild bad("lumetto-phone", {"--out", "/nonexistent-dir/x.bin", "--frames", "1"});
    EXPECT_EQ(bad.Wait(), 1);
    EXPECT_NE(bad.Stderr().find("/nonexistent-dir/x.bin"), std::string::npos) << bad.Stderr();
    CChild usage("lumetto-phone", {"--frames", "1"});
    EXPECT_EQ(usage.Wait(), 2);
    EXPECT_NE(usage.Stderr().find("--pty"), std::string::npos) << usage.Stderr();
}

// A reader opens the pseudo-terminal, takes frames, leaves, comes back (and
// gets a header frame again), then closes the connection with "close_tx".
TEST(PhoneProgram, ServesAPseudoTerminalUntilThePcCloses) {
    CChild child("lumetto-phone", {"--pty", "--fps", "50", "--rate", "0"});
    const std::string path = child.ReadLine();
    ASSERT_EQ(path.rfind("/dev/", 0), 0u) << "no path printed; stderr: " << child.Stderr();

    int fd = OpenReader(path);
    ASSERT_GE(fd, 0) << path << ": " << std::strerror(errno);
    CStreamDecoder first;
    ASSERT_TRUE(ReadFrames(fd, first, 3)) << child.Stderr();
    EXPECT_TRUE(first.frames[0].bHeader);
    for (const DecodedFrame& f : first.frames)
        EXPECT_EQ(f.eResult, CScreenDecoder::Result::Ok);
    close(fd);
    ASSERT_TRUE(child.WaitForError("reader left")) << child.Stderr();

    fd = OpenReader(path);
    ASSERT_GE(fd, 0);
    CStreamDecoder second;
    ASSERT_TRUE(ReadFrames(fd, second, 2)) << child.Stderr();
    EXPECT_TRUE(second.frames[0].bHeader);
    EXPECT_EQ(second.frames[0].eResult, CScreenDecoder::Result::Ok);
    EXPECT_EQ(second.frames[1].eResult, CScreenDecoder::Result::Ok);

    ASSERT_EQ(write(fd, "close_tx", 8), 8);
    EXPECT_EQ(child.Wait(), 0) << child.Stderr();
    EXPECT_NE(child.Stderr().find("closed the connection"), std::string::npos) << child.Stderr();
    close(fd);
}

// SIGTERM ends the run cleanly: the frame under way is finished and the
// closing notice follows.
TEST(PhoneProgram, StopsCleanlyOnSigterm) {
    CChild child("lumetto-phone", {"--pty", "--fps", "50", "--rate", "0", "--close"});
    const std::string path = child.ReadLine();
    ASSERT_FALSE(path.empty()) << child.Stderr();
    const int fd = OpenReader(path);
    ASSERT_GE(fd, 0);
    CStreamDecoder rx;
    ASSERT_TRUE(ReadFrames(fd, rx, 2)) << child.Stderr();
    child.Signal(SIGTERM);

    // Read on until the closing notice arrives.
    const auto end = Clock::now() + kDeadline;
    std::uint8_t buf[8192];
    while (rx.closeNotices == 0 && Clock::now() < end) {
        pollfd p = {fd, POLLIN, 0};
        if (poll(&p, 1, 200) <= 0)
            continue;
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n > 0)
            rx.Feed(buf, std::size_t(n));
        else if (n == 0 || (errno != EAGAIN && errno != EINTR))
            break; // the simulator has closed its side
    }
    EXPECT_EQ(rx.closeNotices, 1);
    EXPECT_EQ(rx.Receiver().Stats().badEndMarkers, 0u);
    EXPECT_EQ(child.Wait(), 0) << child.Stderr();
    EXPECT_NE(child.Stderr().find("stopped by signal"), std::string::npos) << child.Stderr();
    close(fd);
}

} // namespace
