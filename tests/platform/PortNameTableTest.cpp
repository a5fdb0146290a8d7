#include "platform/PortNameTable.h"

#include <gtest/gtest.h>
#include <ostream>

namespace {

bool OnlyTtyS0(const std::string& name) {
    return name == "ttyS0";
}

std::vector<std::string> Names(const CPortNameTable& t) {
    std::vector<std::string> out;
    for (const PortNameEntry& e : t.Entries())
        out.push_back(CPortNameTable::DisplayName(e));
    return out;
}

struct TableCase {
    const char* what;
    std::string aliases;
    std::vector<std::string> dev;
    std::vector<std::string> expected;
};

void PrintTo(const TableCase& c, std::ostream* os) {
    *os << c.what;
}

class PortNameTableBuild : public ::testing::TestWithParam<TableCase> {};

TEST_P(PortNameTableBuild, Lists) {
    const TableCase& c = GetParam();
    EXPECT_EQ(Names(CPortNameTable::Build(c.aliases, c.dev, &OnlyTtyS0)), c.expected) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PortNameTableBuild,
    ::testing::Values(
        TableCase{"nothing", "", {".", "..", "null", "tty0", "pts"}, {}},
        TableCase{"families in order, numbers numerically",
                  "",
                  {"ttyS1", "ttyACM0", "ttyUSB10", "ttyS0", "rfcomm0", "ttyUSB2", "ttyUSBx"},
                  {"COM1 (/dev/ttyUSB2)", "COM2 (/dev/ttyUSB10)", "COM3 (/dev/ttyACM0)",
                   "COM4 (/dev/rfcomm0)", "COM5 (/dev/ttyS0)"}},
        TableCase{"aliases first, their numbers skipped, their devices not listed twice",
                  " com2 = /dev/pts/3 ;COM8=/dev/rfcomm0",
                  {"rfcomm0", "ttyUSB0", "ttyUSB1"},
                  {"COM2 (/dev/pts/3)", "COM8 (/dev/rfcomm0)", "COM1 (/dev/ttyUSB0)",
                   "COM3 (/dev/ttyUSB1)"}},
        TableCase{"bad aliases ignored, first alias of a name wins",
                  "COM1=relative;PORT=/dev/x;COM0=/dev/y;COM5=/dev/a;COM5=/dev/b;;=;COM6",
                  {},
                  {"COM5 (/dev/a)"}}));

TEST(PortNameTable, SameDevicesKeepTheirNamesWhateverTheListingOrder) {
    const auto a = CPortNameTable::Build("", {"ttyUSB1", "ttyACM0", "ttyUSB0"}, nullptr);
    const auto b = CPortNameTable::Build("", {"ttyUSB0", "ttyUSB1", "ttyACM0"}, nullptr);
    EXPECT_EQ(Names(a), Names(b));
}

TEST(PortNameTable, Resolve) {
    const auto t = CPortNameTable::Build("COM7=/dev/pts/3", {"ttyUSB0"}, nullptr);
    EXPECT_EQ(t.Resolve("COM7"), "/dev/pts/3");
    EXPECT_EQ(t.Resolve("com07"), "/dev/pts/3");
    EXPECT_EQ(t.Resolve("COM1"), "/dev/ttyUSB0");
    EXPECT_EQ(t.Resolve("/dev/ttyS9"), "/dev/ttyS9");
    EXPECT_EQ(t.Resolve("COM2"), std::nullopt);
    EXPECT_EQ(t.Resolve("ttyUSB0"), std::nullopt);
    EXPECT_EQ(t.Resolve(""), std::nullopt);
}

TEST(PortNameTable, NormalizeComName) {
    EXPECT_EQ(CPortNameTable::NormalizeComName("cOm12"), "COM12");
    EXPECT_EQ(CPortNameTable::NormalizeComName("COM"), "");
    EXPECT_EQ(CPortNameTable::NormalizeComName("COM0"), "");
    EXPECT_EQ(CPortNameTable::NormalizeComName("COM1x"), "");
    EXPECT_EQ(CPortNameTable::NormalizeComName("COM99999999999"), "");
}

} // namespace
