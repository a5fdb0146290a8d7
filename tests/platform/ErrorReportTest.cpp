#include "platform/ErrorReport.h"

#include "platform/HandOver.h"
#include "platform/RecordingPresenter.h"
#include "platform/SystemError.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <ostream>
#include <thread>

namespace {

TEST(ErrorReport, FlagStartsClearAndStaysSetAfterAnyReport) {
    CScopedRecordingPresenter messages;
    CErrorReport report;
    EXPECT_FALSE(report.ErrorShown());
    report.ShowSystemError(0);
    EXPECT_TRUE(report.ErrorShown());
    errno = EIO;
    report.ShowLastError();
    EXPECT_TRUE(report.ErrorShown());
    ASSERT_EQ(messages.Count(), 2u);
    for (const auto& m : messages.Messages()) {
        EXPECT_EQ(m.strCaption, "Application Error");
        EXPECT_EQ(m.eIcon, MessageIcon::Information);
    }
    EXPECT_EQ(messages.Messages()[0].strText, SystemErrorText(0));
    EXPECT_EQ(messages.Messages()[1].strText, SystemErrorText(EIO) + "\n");
}

TEST(ErrorReport, TextsForCodes) {
    EXPECT_EQ(CErrorReport::SystemErrorMessage(EACCES), "Permission denied");
    EXPECT_EQ(CErrorReport::SystemErrorMessage(EIO, "More."), "Input/output error\nMore.");
    // Codes the system has no text for, including ones beyond int, still give a text.
    EXPECT_FALSE(CErrorReport::SystemErrorMessage(0xFFFFFFFFu).empty());
    EXPECT_EQ(CErrorReport::LastErrorMessage(ENOENT), "No such file or directory\n");
}

struct PortCase {
    std::uint32_t nCode;
    const char* device;
    const char* expectedPart;
    bool bSystemText = true; // the text starts with the system's text for the code
};

void PrintTo(const PortCase& c, std::ostream* os) {
    *os << c.nCode << " " << c.device;
}

class ErrorReportPort : public ::testing::TestWithParam<PortCase> {};

TEST_P(ErrorReportPort, OpenFailuresSayWhatToDo) {
    CScopedRecordingPresenter messages;
    CErrorReport report;
    report.ShowPortError(GetParam().nCode, "COM3", GetParam().device);
    ASSERT_EQ(messages.Count(), 1u);
    const std::string text = messages.Messages()[0].strText;
    EXPECT_EQ(text.rfind(SystemErrorText(static_cast<int>(GetParam().nCode)), 0) == 0,
              GetParam().bSystemText)
        << text;
    EXPECT_NE(text.find(GetParam().expectedPart), std::string::npos) << text;
    EXPECT_TRUE(report.ErrorShown());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ErrorReportPort,
    ::testing::Values(PortCase{EACCES, "/dev/null", "let every user open it"},
                      PortCase{EACCES, "/dev/lumetto-missing", "ls -l /dev/lumetto-missing"},
                      PortCase{ENOTTY, "/dev/null", "/dev/null is not a serial port.", false},
                      PortCase{EISDIR, "/tmp", "/tmp is not a serial port.", false},
                      PortCase{EBUSY, "/dev/ttyUSB0", "in use by another program"},
                      PortCase{ENOENT, "", "No serial device is known as COM3"},
                      PortCase{ENOENT, "/dev/ttyUSB7", "/dev/ttyUSB7 does not exist"}));

TEST(ErrorReport, AQuietReportShowsNothingAndKeepsItsText) {
    CScopedRecordingPresenter messages;
    CErrorReport report(true);
    report.ShowPortError(ENOENT, "COM3", "/dev/ttyUSB7");
    EXPECT_TRUE(report.ErrorShown());
    EXPECT_EQ(report.LastText(), CErrorReport::PortErrorMessage(ENOENT, "COM3", "/dev/ttyUSB7"));
    EXPECT_NE(report.LastText().find("/dev/ttyUSB7 does not exist"), std::string::npos);
    EXPECT_EQ(messages.Count(), 0u);
}

TEST(ErrorReport, AReportFromAnotherThreadIsShownOnTheUiThread) {
    CScopedRecordingPresenter messages;
    UiHandOver().AttachUiThread();
    std::atomic<bool> returned{false};
    std::thread worker([&] {
        CErrorReport report;
        report.ShowSystemError(EIO);
        returned = true;
    });
    ASSERT_TRUE(
        UiHandOver().WaitServing([&] { return returned.load(); }, std::chrono::seconds(20)));
    worker.join();
    UiHandOver().DetachUiThread();
    ASSERT_EQ(messages.Count(), 1u);
    EXPECT_EQ(messages.Messages()[0].thread, std::this_thread::get_id());
}

} // namespace
