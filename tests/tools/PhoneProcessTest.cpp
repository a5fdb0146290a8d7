// Runs the lumetto-phone program as a user would and reads what it sends.
#include "tests/tools/StreamDecoder.h"

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
using Clock = std::chrono::steady_clock;

extern char** environ;

namespace {

// Generous: these wait on conditions, not on time.
constexpr auto kDeadline = std::chrono::seconds(60);

std::string PhoneBinary() {
    const char* dir = std::getenv("LUMETTO_BIN_DIR");
    return std::string(dir ? dir : ".") + "/lumetto-phone";
}

// The program running with its standard output and error on pipes.
class CChild {
public:
    explicit CChild(const std::vector<std::string>& args) {
        int out[2], err[2];
        EXPECT_EQ(pipe2(out, O_CLOEXEC), 0);
        EXPECT_EQ(pipe2(err, O_CLOEXEC), 0);
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, out[1], 1);
        posix_spawn_file_actions_adddup2(&fa, err[1], 2);
        std::vector<std::string> all{PhoneBinary()};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : all)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        m_bStarted = posix_spawn(&m_pid, argv[0], &fa, nullptr, argv.data(), environ) == 0;
        EXPECT_TRUE(m_bStarted) << "cannot start " << argv[0];
        posix_spawn_file_actions_destroy(&fa);
        close(out[1]);
        close(err[1]);
        m_out = out[0];
        m_err = err[0];
    }
    ~CChild() {
        if (m_bStarted && !m_bExited) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        close(m_out);
        close(m_err);
    }

    // The next line of standard output, or "" when none came in time.
    std::string ReadLine() {
        const auto end = Clock::now() + kDeadline;
        while (Clock::now() < end) {
            const auto nl = m_stdout.find('\n');
            if (nl != std::string::npos) {
                std::string line = m_stdout.substr(0, nl);
                m_stdout.erase(0, nl + 1);
                return line;
            }
            if (!Pump(200))
                break;
        }
        return "";
    }

    // Waits until standard error holds `text`.
    bool WaitForError(const std::string& text) {
        const auto end = Clock::now() + kDeadline;
        while (m_stderr.find(text) == std::string::npos) {
            if (Clock::now() >= end || !Pump(200))
                return m_stderr.find(text) != std::string::npos;
        }
        return true;
    }

    // Exit code, or -1 when the program did not end in time.
    int Wait() {
        const auto end = Clock::now() + kDeadline;
        int status = 0;
        while (Clock::now() < end) {
            const pid_t r = waitpid(m_pid, &status, WNOHANG);
            if (r == m_pid) {
                m_bExited = true;
                while (Pump(0)) {
                }
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            Pump(50);
        }
        return -1;
    }

    void Signal(int sig) { kill(m_pid, sig); }
    const std::string& Stderr() const { return m_stderr; }

private:
    // Reads whatever the pipes hold, waiting at most timeoutMs. False once both are closed.
    bool Pump(int timeoutMs) {
        pollfd fds[2] = {{m_out, POLLIN, 0}, {m_err, POLLIN, 0}};
        if (m_outClosed && m_errClosed)
            return false;
        if (poll(fds, 2, timeoutMs) <= 0)
            return true;
        char buf[4096];
        for (int i = 0; i < 2; ++i) {
            if (!(fds[i].revents & (POLLIN | POLLHUP)))
                continue;
            const ssize_t n = read(fds[i].fd, buf, sizeof buf);
            if (n > 0)
                (i == 0 ? m_stdout : m_stderr).append(buf, std::size_t(n));
            else
                (i == 0 ? m_outClosed : m_errClosed) = true;
        }
        return true;
    }

    pid_t m_pid = -1;
    bool m_bStarted = false;
    bool m_bExited = false;
    int m_out = -1, m_err = -1;
    bool m_outClosed = false, m_errClosed = false;
    std::string m_stdout, m_stderr;
};

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
    CChild child({"--out", path, "--frames", "6", "--fps", "0", "--rate", "0", "--format", "8",
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
    CChild bad({"--out", "/nonexistent-dir/x.bin", "--frames", "1"});
    EXPECT_EQ(bad.Wait(), 1);
    EXPECT_NE(bad.Stderr().find("/nonexistent-dir/x.bin"), std::string::npos) << bad.Stderr();
    CChild usage({"--frames", "1"});
    EXPECT_EQ(usage.Wait(), 2);
    EXPECT_NE(usage.Stderr().find("--pty"), std::string::npos) << usage.Stderr();
}

// A reader opens the pseudo-terminal, takes frames, leaves, comes back (and
// gets a header frame again), then closes the connection with "close_tx".
TEST(PhoneProgram, ServesAPseudoTerminalUntilThePcCloses) {
    CChild child({"--pty", "--fps", "50", "--rate", "0"});
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
    CChild child({"--pty", "--fps", "50", "--rate", "0", "--close"});
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
