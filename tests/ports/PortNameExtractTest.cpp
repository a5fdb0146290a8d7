// The port name taken from the text of a list entry.
#include "ports/PortNameExtract.h"

#include <gtest/gtest.h>
#include <string>

TEST(PortNameExtract, TakesTheDigitsAfterTheFirstComFollowedByADigit) {
    const struct {
        const char* szEntry;
        bool bFound;
        const char* szPort;
    } cases[] = {
        {"COM3", true, "COM3"},
        {"COM12", true, "COM12"},
        {"COM10", true, "COM10"},
        {"COM50", true, "COM50"},
        {"COM3 (/dev/ttyUSB0)", true, "COM3"},
        {"COM12 (/dev/rfcomm0)", true, "COM12"},
        {"COMX then COM5", true, "COM5"},
        {"COMCOM7", true, "COM7"},
        {"Port (COM8)", true, "COM8"},
        {"COM007x9", true, "COM007"},
        {"com4", false, "COM"},
        {"Com4", false, "COM"},
        {"COMX", false, "COM"},
        {"COM", false, "COM"},
        {"CO", false, "COM"},
        {"", false, "COM"},
        {"COM COM", false, "COM"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.szEntry);
        std::string strPort = "stale";
        EXPECT_EQ(ExtractComPortName(c.szEntry, strPort), c.bFound);
        EXPECT_EQ(strPort, c.szPort);
    }
}

TEST(PortNameExtract, DigitsStopAtTheEndOfTheText) {
    // A text that is not NUL-terminated where the digits run out.
    const std::string whole = "COM45678";
    std::string strPort;
    EXPECT_TRUE(ExtractComPortName(std::string_view(whole).substr(0, 5), strPort));
    EXPECT_EQ(strPort, "COM45");
}
