#include "res/Strings.h"

#include <gtest/gtest.h>

namespace {

TEST(Strings, TableHoldsTheProgramsTextsExactly) {
    const std::pair<int, const char*> expected[] = {
        {32784, "<Series60 frame>"},
        {32785, "<UIQ frame>"},
        {57344, "Morvane Lumetto"},
        {61401, "Cannot close serial port %s"},
        {61403, "%s"},
        {61404, "No connection"},
        {61408, "Selection of the communication port has failed"},
        {61409, "Close the connection and exit the application?"},
        {61410, "Could not initialize video stream. Video recording not started."},
    };
    for (const auto& [id, text] : expected) {
        SCOPED_TRACE(id);
        EXPECT_TRUE(HasStringResource(id));
        EXPECT_STREQ(LoadStringResource(id), text);
    }
    EXPECT_FALSE(HasStringResource(61402));
    EXPECT_STREQ(LoadStringResource(61402), "");
}

TEST(Strings, FormatsThePortName) {
    EXPECT_EQ(FormatStringResource(61401, "COM3"), "Cannot close serial port COM3");
    EXPECT_EQ(FormatStringResource(61403, "COM%s"), "COM%s");
    EXPECT_EQ(FormatStringResource(61404, "x"), "No connection");
}

} // namespace
