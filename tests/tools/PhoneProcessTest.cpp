// Runs the lumetto-phone program as a user would and reads what it sends.
#include "tests/support/ChildProcess.h"
#include "tests/support/PtyLine.h"
#include "tests/support/StreamDecoder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <unistd.h>

using namespace phonetest;
using testsupport::CChildProcess;
using testsupport::CPtyLine;

namespace {

// Opens the simulator's pseudo-terminal as the PC's serial driver does; what
// the simulator sends goes into rx.
std::unique_ptr<CPtyLine> OpenReader(const std::string& path, CStreamDecoder& rx) {
    std::unique_ptr<CPtyLine> line = CPtyLine::Attach(path);
    if (line)
        line->SetSink([&rx](const std::uint8_t* p, std::size_t n) { rx.Feed(p, n); });
    return line;
}

TEST(PhoneProgram, WritesAFileTheReceiverDecodes) {
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("lumetto-phone-out-" + std::to_string(getpid()) + ".bin"))
                                 .string();
    CChildProcess child("lumetto-phone",
                        {"--out", path, "--frames", "6", "--fps", "0", "--rate", "0", "--format",
                         "8", "--platform", "uiq", "--close", "--clock", "08:15:00"});
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
    CChildProcess bad("lumetto-phone", {"--out", "/nonexistent-dir/x.bin", "--frames", "1"});
    EXPECT_EQ(bad.Wait(), 1);
    EXPECT_NE(bad.Stderr().find("/nonexistent-dir/x.bin"), std::string::npos) << bad.Stderr();
    CChildProcess usage("lumetto-phone", {"--frames", "1"});
    EXPECT_EQ(usage.Wait(), 2);
    EXPECT_NE(usage.Stderr().find("--pty"), std::string::npos) << usage.Stderr();
}

// A reader opens the pseudo-terminal, takes frames, leaves, comes back (and
// gets a header frame again), then closes the connection with "close_tx".
TEST(PhoneProgram, ServesAPseudoTerminalUntilThePcCloses) {
    CChildProcess child("lumetto-phone", {"--pty", "--fps", "50", "--rate", "0"});
    const std::string path = child.ReadLine();
    ASSERT_EQ(path.rfind("/dev/", 0), 0u) << "no path printed; stderr: " << child.Stderr();

    CStreamDecoder first;
    std::unique_ptr<CPtyLine> reader = OpenReader(path, first);
    ASSERT_TRUE(reader) << path << ": " << std::strerror(errno);
    ASSERT_TRUE(reader->ReadUntil([&] { return first.frames.size() >= 3; })) << child.Stderr();
    EXPECT_TRUE(first.frames[0].bHeader);
    for (const DecodedFrame& f : first.frames)
        EXPECT_EQ(f.eResult, CScreenDecoder::Result::Ok);
    reader.reset();
    ASSERT_TRUE(child.WaitForError("reader left")) << child.Stderr();

    CStreamDecoder second;
    reader = OpenReader(path, second);
    ASSERT_TRUE(reader);
    ASSERT_TRUE(reader->ReadUntil([&] { return second.frames.size() >= 2; })) << child.Stderr();
    EXPECT_TRUE(second.frames[0].bHeader);
    EXPECT_EQ(second.frames[0].eResult, CScreenDecoder::Result::Ok);
    EXPECT_EQ(second.frames[1].eResult, CScreenDecoder::Result::Ok);

    ASSERT_TRUE(reader->Write("close_tx"));
    EXPECT_EQ(child.Wait(), 0) << child.Stderr();
    EXPECT_NE(child.Stderr().find("closed the connection"), std::string::npos) << child.Stderr();
}

// SIGTERM ends the run cleanly: the frame under way is finished and the
// closing notice follows.
TEST(PhoneProgram, StopsCleanlyOnSigterm) {
    CChildProcess child("lumetto-phone", {"--pty", "--fps", "50", "--rate", "0", "--close"});
    const std::string path = child.ReadLine();
    ASSERT_FALSE(path.empty()) << child.Stderr();
    CStreamDecoder rx;
    const std::unique_ptr<CPtyLine> reader = OpenReader(path, rx);
    ASSERT_TRUE(reader);
    ASSERT_TRUE(reader->ReadUntil([&] { return rx.frames.size() >= 2; })) << child.Stderr();
    child.Signal(SIGTERM);

    // Read on until the closing notice arrives (or the simulator closes its side).
    reader->ReadUntil([&] { return rx.closeNotices > 0; });
    EXPECT_EQ(rx.closeNotices, 1);
    EXPECT_EQ(rx.Receiver().Stats().badEndMarkers, 0u);
    EXPECT_EQ(child.Wait(), 0) << child.Stderr();
    EXPECT_NE(child.Stderr().find("stopped by signal"), std::string::npos) << child.Stderr();
}

} // namespace
