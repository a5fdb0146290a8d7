#include "tools/dump/StreamInspector.h"
#include "tests/support/FrameBuilder.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

// The worked example: 176 x 208, format 12, two pixels set.
const Bytes kFirst = {0x01, 0x00, 0xB0, 0x00, 0xD0, 0x00, 0x0C, 0x00, 0x00, 0x01,
                      0x40, 0x02, 0xF0, 0x0F, 0x00, 0x01, 0x40, 0x01, 0xA5};

Bytes ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

} // namespace

// Each event on a line of its own: a header of the other platform's size
// switches the platform after its frame's line.
TEST(StreamInspector, DescribesEveryKindOfFrame) {
    // 208 x 320, format 12, both run lists empty.
    const Bytes uiq = {0x01, 0x00, 0xD0, 0x01, 0x40, 0x00, 0x0C, 0x00, 0x00, 0x00, 0x00, 0x00};
    const Bytes stream =
        Cat({Text("noise"), Frame(kFirst), Frame({0x00, 0x00, 0x00, 0x00, 0x00}), Frame(uiq),
             Frame({}, "close_tx"), Frame({1, 2}, "garbage!"), Prefix(Frame(kFirst), 10)});
    std::ostringstream out;
    CStreamInspector inspector(out, "");
    inspector.Feed(stream.data(), stream.size());
    EXPECT_TRUE(inspector.Finish());
    EXPECT_EQ(out.str(), "dropped 5 bytes: noise (no start marker)\n"
                         "frame 1: screen, payload 19 bytes, header 176x208 format 12\n"
                         "frame 2: screen, payload 5 bytes\n"
                         "frame 3: screen, payload 12 bytes, header 208x320 format 12\n"
                         "platform switch to UIQ\n"
                         "closing notice: screen reset\n"
                         "dropped 22 bytes: bad frame (neither end marker)\n"
                         "end of input: 10 bytes of an unfinished frame\n"
                         "summary: 153 bytes, 3 screen frames, 1 closing notices, 1 bad frames, "
                         "0 bad lengths, 5 bytes of noise\n");
}

TEST(StreamInspector, WritesEachScreenAsABitmap) {
    CTempFolder dir;
    const Bytes stream =
        Cat({Frame(kFirst), Frame({}, "close_tx"), Frame({0, 0, 0, 0, 0}), Frame({}, "close_tx"),
             Frame({0, 0}), Frame({0, 0, 0, 0, 0}), Frame(kFirst)});
    const fs::path file = dir.Dir() / "capture.bin";
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(stream.data()),
               static_cast<std::streamsize>(stream.size()));
    std::ostringstream out;
    CStreamInspector inspector(out, dir.Dir().string());
    std::string error;
    ASSERT_TRUE(inspector.FeedFile(file.string(), error)) << error;
    EXPECT_TRUE(inspector.Finish());

    // Frame 2 came after a reset without a header and fits the kept picture:
    // it goes on from it, as the program's window does. Frame 3 does not fit
    // (cut short): the picture goes, and frame 4 has none to go on from.
    for (const char* name :
         {"frame-00001.bmp", "frame-00002.bmp", "frame-00003.bmp", "frame-00004.bmp"})
        EXPECT_EQ(fs::exists(dir.Dir() / name), name[10] <= '2') << name;
    EXPECT_EQ(ReadAll(dir.Dir() / "frame-00002.bmp"), ReadAll(dir.Dir() / "frame-00001.bmp"));
    EXPECT_TRUE(fs::exists(dir.Dir() / "frame-00005.bmp"));
    EXPECT_EQ(inspector.BitmapsWritten(), 3u);

    const Bytes bmp = ReadAll(dir.Dir() / "frame-00001.bmp");
    ASSERT_EQ(bmp.size(), 110406u);
    const Bytes header(bmp.begin(), bmp.begin() + 54);
    const Bytes expected = {'B',  'M',  0x46, 0xAF, 0x01, 0, 0,    0,    0,    0, 54,   0,    0, 0,
                            40,   0,    0,    0,    176,  0, 0,    0,    209,  0, 0,    0,    1, 0,
                            24,   0,    0,    0,    0,    0, 0x10, 0xAF, 0x01, 0, 0x10, 0x27, 0, 0,
                            0x10, 0x27, 0,    0,    0,    0, 0,    0,    0,    0, 0,    0};
    EXPECT_EQ(header, expected);
    // Top screen row (file row 207) starts with the two decoded pixels; the
    // slack row above it is white.
    EXPECT_EQ(Bytes(bmp.begin() + 54 + 109296, bmp.begin() + 54 + 109302),
              (Bytes{0x00, 0xFF, 0xAA, 0xFF, 0x00, 0x55}));
    for (std::size_t i = 54 + 208 * 528; i < bmp.size(); ++i)
        ASSERT_EQ(bmp[i], 0xFF);
}

TEST(StreamInspector, UnreadableFileIsReported) {
    std::ostringstream out;
    CStreamInspector inspector(out, "");
    std::string error;
    EXPECT_FALSE(inspector.FeedFile("/nonexistent/capture.bin", error));
    EXPECT_NE(error.find("/nonexistent/capture.bin"), std::string::npos);
}
