#include "app/CommandLine.h"
#include "app/CaptureNames.h"
#include "app/DisplayCheck.h"

#include <gtest/gtest.h>

#include <set>

TEST(CommandLine, ParsesEveryOption) {
    // Values may start with a dash; Qt's own options are set apart for Qt.
    const auto r = ParseCommandLine(
        {"--port",      "COM3",           "--record=/tmp/a.avi", "-platform",     "offscreen",
         "--capture",   "-s.png",         "--time-limit",        "2592000",       "--exit-on-close",
         "--no-window", "--zoom",         "--fullscreen",        "--screen",      "2",
         "-reverse",    "--no-reconnect", "--record-scale=3",    "-style=fusion", "--display",
         ":1"});
    ASSERT_TRUE(r.bOk) << r.strError;
    const CommandLineOptions& o = r.options;
    EXPECT_EQ(o.strPort, "COM3");
    EXPECT_EQ(o.strRecord, "/tmp/a.avi");
    EXPECT_EQ(o.strCapture, "-s.png");
    EXPECT_DOUBLE_EQ(o.dTimeLimit, 30 * 86400.0); // beyond what one Qt timer counts
    EXPECT_TRUE(o.bExitOnClose && o.bNoWindow && o.bZoom && o.bFullscreen && o.bNoReconnect);
    EXPECT_EQ(o.nScreen, 2);
    EXPECT_EQ(o.nRecordScale, 3);
    EXPECT_FALSE(o.bDemo || o.bHelp || o.bVersion);
    EXPECT_EQ(r.qtArgs, (std::vector<std::string>{"-platform", "offscreen", "-reverse", "-style",
                                                  "fusion", "--display", ":1"}));
    EXPECT_EQ(r.strQtPlatform, "offscreen");
}

TEST(CommandLine, RejectsWhatItCannotUse) {
    struct Case {
        std::vector<std::string> args;
        const char* error; // a part of the message
    };
    const Case cases[] = {
        {{"--port"}, "--port needs a value"},
        {{"--port="}, "--port needs a value"},
        {{"--zoom=yes"}, "--zoom takes no value"},
        {{"--time-limit", "soon"}, "number of seconds"},
        {{"--time-limit", "-1"}, "number of seconds"},
        {{"--time-limit", "nan"}, "number of seconds"},
        {{"--time-limit", "1e10"}, "above 0 and at most 1000000000"},
        {{"--record-scale", "9"}, "from 1 to 8"},
        {{"--record-scale", "2x"}, "from 1 to 8"},
        {{"--screen", "0"}, "screen number from 1"},
        {{"--record", "-x.avi", "--bogus"}, "Unknown option \"--bogus\""},
        {{"--record", "talk.webm"}, "needs a movie name ending in .avi, .mp4, .mkv or .mov"},
        {{"-bogus"}, "Unknown option \"-bogus\""},
        {{"-platform"}, "-platform needs a value"},
        {{"--frobnicate"}, "Unknown option \"--frobnicate\""},
        {{"COM3"}, "Unexpected argument \"COM3\""},
        {{"--demo", "--port", "COM1"}, "cannot be used together"},
    };
    for (const Case& c : cases) {
        const auto r = ParseCommandLine(c.args);
        EXPECT_FALSE(r.bOk) << c.args[0];
        EXPECT_NE(r.strError.find(c.error), std::string::npos) << r.strError;
        const std::string end = "See 'lumetto --help'.";
        EXPECT_EQ(r.strError.substr(r.strError.size() - std::min(r.strError.size(), end.size())),
                  end);
    }
}

// The window systems Qt can be started on, told apart before it starts.
TEST(CommandLine, FindsTheDisplayBeforeQtStarts) {
    struct Case {
        const char* platform;
        bool x11, wayland, socket;
        bool reachable;
    };
    const Case cases[] = {
        {"", false, false, false, false},
        {"", true, false, false, true},
        {"", false, true, false, true},
        {"", false, false, true, false},
        {"xcb", false, true, false, false},
        {"xcb:nograb", true, false, false, true},
        {"wayland", false, false, true, true},
        {"wayland;xcb", true, false, false, true},
        {"wayland-egl", false, false, false, false},
        {"offscreen", false, false, false, true},
        {"vnc:size=800x600", false, false, false, true},
    };
    for (const Case& c : cases) {
        const WindowSystemEnvironment env{c.platform, c.x11, c.wayland, c.socket};
        EXPECT_EQ(WindowSystemReachable(env), c.reachable)
            << "\"" << c.platform << "\" x11 " << c.x11 << " wayland " << c.wayland;
    }
}

TEST(CaptureNames, SuggestedNumberedAndFreeNames) {
    std::tm t{};
    t.tm_year = 2024 - 1900;
    t.tm_mon = 2;
    t.tm_mday = 9;
    t.tm_hour = 7;
    t.tm_min = 5;
    t.tm_sec = 3;
    EXPECT_EQ(TimestampedName(t), "Lumetto 2024-03-09 07.05.03");

    const std::pair<const char*, const char*> numbered[] = {
        {"talk.mp4", "talk-3.mp4"},
        {"/a.b/talk", "/a.b/talk-3"},
        {"dir/talk.v1.avi", "dir/talk.v1-3.avi"},
        {"dir/.hidden", "dir/.hidden-3"},
    };
    for (const auto& [path, third] : numbered) {
        EXPECT_EQ(NumberedPath(path, 1), path);
        EXPECT_EQ(NumberedPath(path, 3), third);
    }
    EXPECT_TRUE(HasExtension("/x/Talk.MP4", "mp4"));
    EXPECT_FALSE(HasExtension("/x.mp4/talk", "mp4"));
    EXPECT_FALSE(HasExtension("/x/.png", "png"));

    // Taken twice in a second: " (2)", then " (3)".
    std::set<std::string> taken;
    for (int i = 0; i < 3; ++i)
        taken.insert(FreeFileName("/p", "Lumetto", "png",
                                  [&](const std::string& f) { return taken.count(f) > 0; }));
    EXPECT_EQ(taken, (std::set<std::string>{"/p/Lumetto.png", "/p/Lumetto (2).png",
                                            "/p/Lumetto (3).png"}));
}

TEST(CommandLine, HelpNamesEveryOption) {
    const std::string help = CommandLineHelp();
    for (const char* opt : {"--port", "--record", "--capture", "--time-limit", "--exit-on-close",
                            "--no-window", "--zoom", "--demo", "--help", "--version",
                            "--fullscreen", "--screen", "--no-reconnect", "--record-scale"})
        EXPECT_NE(help.find(opt), std::string::npos) << opt;
}
