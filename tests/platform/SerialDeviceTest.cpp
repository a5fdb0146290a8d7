#include "platform/SerialDevice.h"
#include "platform/Event.h"
#include "platform/SystemError.h"
#include "tests/support/PtyLine.h"

#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

using testsupport::CPtyLine;

TEST(SerialDevice, OpensLocksAndRefusesASecondOpen) {
    CPtyLine pty;
    CSerialDevice a;
    ASSERT_TRUE(a.Open(pty.Path()));
    EXPECT_TRUE(a.SetLineSettings({}));
    EXPECT_TRUE(a.RaiseModemLines()); // a pseudo-terminal has no modem lines: not an error
    EXPECT_TRUE(a.Flush());
    EXPECT_EQ(a.BytesQueued(), 0);
    CSerialDevice b;
    EXPECT_FALSE(b.Open(pty.Path()));
    EXPECT_EQ(errno, EBUSY);
    a.Close();
    EXPECT_TRUE(b.Open(pty.Path()));
}

TEST(SerialDevice, RefusesWhatIsNotATerminal) {
    CSerialDevice d;
    EXPECT_FALSE(d.Open("/dev/null"));
    EXPECT_EQ(errno, ENOTTY);
    EXPECT_FALSE(d.Open("/nonexistent/device"));
    EXPECT_EQ(errno, ENOENT);
}

TEST(SerialDevice, AWriteTheLineDoesNotTakeEndsAtItsTimeLimit) {
    CPtyLine pty;
    CSerialDevice d;
    ASSERT_TRUE(d.Open(pty.Path()));
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

    // A cancelled wait ends at once, however long the time limit.
    CEvent cancel;
    cancel.Set();
    errno = 0;
    EXPECT_LT(d.Write(block.data(), block.size(), 600000, &cancel), block.size());
    EXPECT_EQ(errno, ECANCELED);
}

TEST(SerialDevice, ReadsWhatTheFarSideWrote) {
    CPtyLine pty;
    CSerialDevice d;
    ASSERT_TRUE(d.Open(pty.Path()));
    ASSERT_TRUE(d.SetLineSettings({}));
    const char text[] = "stx_data\r\n\x03";
    ASSERT_TRUE(pty.Write(std::string_view(text, sizeof text - 1)));
    std::vector<std::uint8_t> got;
    std::uint8_t buf[64];
    // Raw mode passes every byte unchanged; wait (bounded) for all of them.
    for (int i = 0; i < 20000 && got.size() < sizeof text - 1; ++i) {
        const long n = d.Read(buf, sizeof buf);
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
    // /dev/null lets everybody in: a refusal cannot come from its mode bits.
    EXPECT_NE(PortOpenAdvice(EACCES, "COM3", "/dev/null").find("let every user open it"),
              std::string::npos)
        << PortOpenAdvice(EACCES, "COM3", "/dev/null");
    EXPECT_NE(PortOpenAdvice(EACCES, "COM3", "/nonexistent").find("ls -l /nonexistent"),
              std::string::npos);
    EXPECT_NE(PortOpenAdvice(EBUSY, "COM3", "/dev/ttyUSB0").find("in use by another program"),
              std::string::npos);
    EXPECT_EQ(PortOpenAdvice(ENOTTY, "/dev/null", "/dev/null"),
              "/dev/null is not a serial port. Choose the phone's serial device, such as "
              "/dev/ttyACM0 or /dev/rfcomm0.");
    EXPECT_NE(PortOpenAdvice(ENOENT, "COM3", "").find("COM3"), std::string::npos);
    EXPECT_EQ(PortOpenAdvice(EIO, "COM3", "/dev/ttyUSB0"), "");
}

// A group is suggested only when it may read and write the device and joining
// it grants nothing beyond; otherwise only the owner may open it, and a udev
// rule is the way.
TEST(SystemError, PermissionAdviceFollowsTheModeBits) {
    constexpr unsigned kChr = 0020000; // S_IFCHR
    enum Advice { JoinGroup, OwnerOnly, Everyone };
    const struct {
        unsigned nMode;
        const char* owner;
        const char* group;
        Advice eAdvice;
        const char* expected; // a part of the advice
    } rows[] = {
        {kChr | 0600, "root", "root", OwnerOnly,
         "/dev/ttyUSB0 (crw------- root root) may be opened only by its owner, root."},
        {kChr | 0660, "root", "dialout", JoinGroup, "sudo usermod -aG dialout $USER"},
        {kChr | 0660, "root", "uucp", JoinGroup, "sudo usermod -aG uucp $USER"},
        {kChr | 0660, "root", "root", OwnerOnly, "only by its owner, root"},
        {kChr | 0660, "root", "sudo", OwnerOnly, "only by its owner, root"},
        {kChr | 0660, "root", "wheel", OwnerOnly, "only by its owner, root"},
        {kChr | 0660, "root", "adm", OwnerOnly, "only by its owner, root"},
        {kChr | 0640, "root", "dialout", OwnerOnly, "(crw-r----- root dialout) may be opened only"},
        {kChr | 0620, "phone", "tty", OwnerOnly, "only by its owner, phone"},
        {kChr | 0666, "root", "root", Everyone, "let every user open it"},
    };
    for (const auto& row : rows) {
        const std::string advice =
            PermissionAdvice("/dev/ttyUSB0", {row.nMode, row.owner, row.group});
        SCOPED_TRACE(advice);
        EXPECT_NE(advice.find(row.expected), std::string::npos);
        EXPECT_EQ(advice.find("member of the group \"" + std::string(row.group) + "\"") !=
                      std::string::npos,
                  row.eAdvice == JoinGroup);
        EXPECT_EQ(advice.find("udev rule") != std::string::npos, row.eAdvice == OwnerOnly);
    }
}

} // namespace
