#include "platform/SerialDevice.h"
#include "platform/SystemError.h"

#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

struct Pty {
    Pty() {
        char name[256] = {};
        EXPECT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
        path = name;
    }
    ~Pty() {
        ::close(master);
        ::close(slave);
    }
    int master = -1;
    int slave = -1;
    std::string path;
};

TEST(SerialDevice, OpensLocksAndRefusesASecondOpen) {
    Pty pty;
    CSerialDevice a;
    ASSERT_TRUE(a.Open(pty.path));
    EXPECT_TRUE(a.SetLineSettings({}));
    EXPECT_TRUE(a.RaiseModemLines()); // a pseudo-terminal has no modem lines: not an error
    EXPECT_TRUE(a.Flush());
    EXPECT_EQ(a.BytesQueued(), 0);
    CSerialDevice b;
    EXPECT_FALSE(b.Open(pty.path));
    EXPECT_EQ(errno, EBUSY);
    a.Close();
    EXPECT_TRUE(b.Open(pty.path));
}

TEST(SerialDevice, RefusesWhatIsNotATerminal) {
    CSerialDevice d;
    EXPECT_FALSE(d.Open("/dev/null"));
    EXPECT_EQ(errno, ENOTTY);
    EXPECT_FALSE(d.Open("/nonexistent/device"));
    EXPECT_EQ(errno, ENOENT);
}

TEST(SerialDevice, AWriteTheLineDoesNotTakeEndsAtItsTimeLimit) {
    Pty pty;
    CSerialDevice d;
    ASSERT_TRUE(d.Open(pty.path));
    ASSERT_TRUE(d.SetLineSettings({}));
    // Nobody reads the far side, so the line fills up; from then on each
    // write gives up after its time limit, having written less than asked.
    std::vector<std::uint8_t> block(4096, 0x55);
    bool timedOut = false;
    std::size_t total = 0;
    for (int i = 0; i < 10000 && !timedOut; ++i) {
        errno = 0;
        const std::size_t n = d.Write(block.data(), block.size(), 20);
        total += n;
        timedOut = n < block.size();
        if (timedOut) {
            EXPECT_EQ(errno, ETIMEDOUT);
        }
    }
    EXPECT_TRUE(timedOut) << total << " bytes were taken";
}

TEST(SerialDevice, ReadsWhatTheFarSideWrote) {
    Pty pty;
    CSerialDevice d;
    ASSERT_TRUE(d.Open(pty.path));
    ASSERT_TRUE(d.SetLineSettings({}));
    const char text[] = "stx_data\r\n\x03";
    ASSERT_EQ(::write(pty.master, text, sizeof text - 1), static_cast<ssize_t>(sizeof text - 1));
    std::vector<std::uint8_t> got;
    std::uint8_t buf[64];
    // Raw mode passes every byte unchanged; wait (bounded) for all of them.
    for (int i = 0; i < 20000 && got.size() < sizeof text - 1; ++i) {
        const ssize_t n = d.Read(buf, sizeof buf);
        if (n > 0)
            got.insert(got.end(), buf, buf + n);
        else
            ::usleep(1000);
    }
    EXPECT_EQ(std::string(got.begin(), got.end()), std::string(text, sizeof text - 1));
}

TEST(SystemError, TextsAndAdvice) {
    EXPECT_EQ(SystemErrorText(ENOENT), "No such file or directory");
    EXPECT_FALSE(SystemErrorText(987654).empty());
    EXPECT_NE(PortOpenAdvice(EACCES, "COM3", "/dev/null").find("\"root\""), std::string::npos)
        << PortOpenAdvice(EACCES, "COM3", "/dev/null");
    EXPECT_NE(PortOpenAdvice(EACCES, "COM3", "/nonexistent").find("dialout"), std::string::npos);
    EXPECT_NE(PortOpenAdvice(EBUSY, "COM3", "/dev/ttyUSB0").find("in use by another program"),
              std::string::npos);
    EXPECT_NE(PortOpenAdvice(ENOENT, "COM3", "").find("COM3"), std::string::npos);
    EXPECT_EQ(PortOpenAdvice(EIO, "COM3", "/dev/ttyUSB0"), "");
}

} // namespace
