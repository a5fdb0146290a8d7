#include "platform/PortNameTable.h"

#include <cstdlib>
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

std::vector<std::string> Rejected(const CPortNameTable& t) {
    std::vector<std::string> out;
    for (const RejectedAlias& r : t.Rejected())
        out.push_back(r.strEntry + ": " + r.strReason);
    return out;
}

struct TableCase {
    const char* what;
    std::string aliases;
    std::vector<std::string> dev;
    std::vector<std::string> expected;
    std::vector<std::string> rejected = {}; // entry: reason
};

void PrintTo(const TableCase& c, std::ostream* os) {
    *os << c.what;
}

class PortNameTableBuild : public ::testing::TestWithParam<TableCase> {};

TEST_P(PortNameTableBuild, Lists) {
    const TableCase& c = GetParam();
    const CPortNameTable table = CPortNameTable::Build(c.aliases, c.dev, &OnlyTtyS0);
    EXPECT_EQ(Names(table), c.expected) << c.what;
    EXPECT_EQ(Rejected(table), c.rejected) << c.what;
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
        TableCase{"bad aliases left out, first alias of a name wins",
                  "COM1=relative;PORT=/dev/x;COM0=/dev/y;COM5=/dev/a;COM5=/dev/b;;=;COM6; COM8= ",
                  {},
                  {"COM5 (/dev/a)"},
                  {"COM1=relative: the device must be a path that starts with /",
                   "PORT=/dev/x: \"PORT\" is not a COM name such as COM7",
                   "COM0=/dev/y: \"COM0\" is not a COM name such as COM7",
                   "COM5=/dev/b: COM5 is named earlier in the list",
                   "=: \"\" is not a COM name such as COM7",
                   "COM6: it is not of the form COMn=/dev/DEVICE", "COM8=: no device is given"}}));

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

// The table is built at every open and every listing; a bad entry is told
// once, and the others are used.
TEST(PortNameTable, RejectedEntriesAreReportedOnceOnStandardError) {
    ::setenv("LUMETTO_PORTS", "garbage;COM31=/dev/pts/31;COM32=", 1);
    testing::internal::CaptureStderr();
    const CPortNameTable first = CPortNameTable::FromSystem();
    const CPortNameTable second = CPortNameTable::FromSystem();
    const std::string err = testing::internal::GetCapturedStderr();
    ::unsetenv("LUMETTO_PORTS");
    EXPECT_EQ(err,
              "lumetto: the LUMETTO_PORTS entry \"garbage\" is left out: it is not of the "
              "form COMn=/dev/DEVICE.\n"
              "lumetto: the LUMETTO_PORTS entry \"COM32=\" is left out: no device is given.\n");
    EXPECT_EQ(second.Resolve("COM31"), "/dev/pts/31");
    EXPECT_EQ(second.Resolve("COM32"), std::nullopt);
}

// A port of the program's own (the demo's phone) is known by its exact name
// while it exists, listed last, shown by its name alone.
TEST(PortNameTable, ProgramPortsComeAndGo) {
    CPortNameTable::SetProgramPort("Demo phone", "/dev/pts/77");
    const CPortNameTable with = CPortNameTable::FromSystem();
    CPortNameTable::SetProgramPort("Demo phone", "");
    const CPortNameTable without = CPortNameTable::FromSystem();
    ASSERT_FALSE(with.Entries().empty());
    EXPECT_EQ(CPortNameTable::DisplayName(with.Entries().back()), "Demo phone");
    EXPECT_EQ(with.Resolve("Demo phone"), "/dev/pts/77");
    EXPECT_EQ(with.Resolve("demo phone"), std::nullopt);
    EXPECT_EQ(without.Resolve("Demo phone"), std::nullopt);
    EXPECT_EQ(without.Entries().size() + 1, with.Entries().size());
}

TEST(PortNameTable, NormalizeComName) {
    EXPECT_EQ(CPortNameTable::NormalizeComName("cOm12"), "COM12");
    EXPECT_EQ(CPortNameTable::NormalizeComName("COM"), "");
    EXPECT_EQ(CPortNameTable::NormalizeComName("COM0"), "");
    EXPECT_EQ(CPortNameTable::NormalizeComName("COM1x"), "");
    EXPECT_EQ(CPortNameTable::NormalizeComName("COM99999999999"), "");
}

} // namespace
