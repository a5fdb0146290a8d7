#include "tools/phone/PhoneCommandLine.h"

#include <gtest/gtest.h>

namespace {

bool Parse(std::vector<const char*> args, PhoneOptions& o, std::string& msg, bool& help) {
    args.insert(args.begin(), "lumetto-phone");
    return ParsePhoneOptions(int(args.size()), args.data(), o, msg, help);
}

TEST(PhoneOptions, DefaultsAndValues) {
    PhoneOptions o;
    std::string msg;
    bool help = false;
    ASSERT_TRUE(Parse({"--pty"}, o, msg, help)) << msg;
    EXPECT_EQ(o.eOutput, PhoneOptions::Output::Pty);
    EXPECT_EQ(o.dFps, 5);
    EXPECT_EQ(o.nBaud, 115200u);
    EXPECT_EQ(o.nFormat, 12);
    EXPECT_EQ(o.Width(), 176);
    EXPECT_EQ(o.Height(), 208);
    EXPECT_EQ(o.nFrames, -1);
    EXPECT_LT(o.dSeconds, 0);

    PhoneOptions u;
    ASSERT_TRUE(Parse({"--out",     "x.bin", "--platform",     "uiq", "--format", "8",
                       "--fps",     "12.5",  "--rate",         "0",   "--frames", "3",
                       "--seconds", "2",     "--header-every", "10",  "--close",  "--clock",
                       "23:59:58",  "a.png", "b.jpg"},
                      u, msg, help))
        << msg;
    EXPECT_EQ(u.strPath, "x.bin");
    EXPECT_EQ(u.Width(), 208);
    EXPECT_EQ(u.Height(), 320);
    EXPECT_EQ(u.nFormat, 8);
    EXPECT_EQ(u.dFps, 12.5);
    EXPECT_EQ(u.nBaud, 0u);
    EXPECT_EQ(u.nFrames, 3);
    EXPECT_EQ(u.dSeconds, 2);
    EXPECT_EQ(u.nHeaderEvery, 10);
    EXPECT_TRUE(u.bClose);
    EXPECT_EQ(u.clockSeconds, 23 * 3600 + 59 * 60 + 58);
    EXPECT_EQ(u.images, (std::vector<std::string>{"a.png", "b.jpg"}));
}

TEST(PhoneOptions, MistakesAreExplained) {
    const std::vector<std::vector<const char*>> bad = {
        {},
        {"--pty", "--out", "f"},
        {"--out"},
        {"--pty", "--format", "16"},
        {"--pty", "--platform", "s90"},
        {"--pty", "--fps", "-1"},
        {"--pty", "--fps", "abc"},
        {"--pty", "--rate", "12x"},
        {"--pty", "--frames", "-2"},
        {"--pty", "--clock", "24:00:00"},
        {"--pty", "--clock", "1:2"},
        {"--pty", "--colour"},
    };
    for (const auto& args : bad) {
        PhoneOptions o;
        std::string msg;
        bool help = true;
        EXPECT_FALSE(Parse(args, o, msg, help)) << (args.empty() ? "" : args.back());
        EXPECT_FALSE(help);
        EXPECT_NE(msg.find("lumetto-phone: "), std::string::npos);
    }
    PhoneOptions o;
    std::string msg;
    bool help = false;
    EXPECT_FALSE(Parse({"--pty", "--help"}, o, msg, help));
    EXPECT_TRUE(help);
    for (const char* option :
         {"--port", "--out", "--pty", "--fps", "--rate", "--frames", "--seconds", "--format",
          "--platform", "--header-every", "--close", "--clock", "--help"})
        EXPECT_NE(msg.find(option), std::string::npos) << option;
}

} // namespace
