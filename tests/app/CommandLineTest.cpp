#include "app/CommandLine.h"
#include "app/CommandRules.h"
#include "res/ResourceIds.h"

#include <gtest/gtest.h>

TEST(CommandLine, ParsesEveryOption) {
    const auto r = ParseCommandLine({"--port", "COM3", "--record=/tmp/a.avi", "--capture",
                                     "/tmp/s.bmp", "--time-limit", "2.5", "--exit-on-close",
                                     "--no-window", "--zoom", "--no-reconnect"});
    ASSERT_TRUE(r.bOk) << r.strError;
    const CommandLineOptions& o = r.options;
    EXPECT_EQ(o.strPort, "COM3");
    EXPECT_EQ(o.strRecord, "/tmp/a.avi");
    EXPECT_EQ(o.strCapture, "/tmp/s.bmp");
    EXPECT_DOUBLE_EQ(o.dTimeLimit, 2.5);
    EXPECT_TRUE(o.bExitOnClose && o.bNoWindow && o.bZoom && o.bNoReconnect);
    EXPECT_FALSE(o.bDemo || o.bHelp || o.bVersion);
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
        {{"--frobnicate"}, "Unknown option \"--frobnicate\""},
        {{"COM3"}, "Unknown option"},
        {{"--demo", "--port", "COM1"}, "cannot be used together"},
    };
    for (const Case& c : cases) {
        const auto r = ParseCommandLine(c.args);
        EXPECT_FALSE(r.bOk) << c.args[0];
        EXPECT_NE(r.strError.find(c.error), std::string::npos) << r.strError;
    }
}

TEST(CommandLine, HelpNamesEveryOption) {
    const std::string help = CommandLineHelp();
    for (const char* opt :
         {"--port", "--record", "--capture", "--time-limit", "--exit-on-close", "--no-window",
          "--no-reconnect", "--zoom", "--demo", "--help", "--version"})
        EXPECT_NE(help.find(opt), std::string::npos) << opt;
}

// Every command against every state of the program, as the menu and the
// keyboard see it.
TEST(CommandRules, EnabledAndCheckedInEveryState) {
    const UiState notConnected{false, false, false, 1, 0};
    const UiState connected{true, false, false, 1, 0};
    const UiState live{true, true, false, 1, 0};
    const UiState recording{true, true, true, 2, 1};
    struct Row {
        int id;
        bool enabled[4]; // not connected, connected, live, recording
    };
    const Row rows[] = {
        {ID_FILE_OPEN_CONNECTION, {true, false, false, false}},
        {ID_FILE_CLOSE_CONNECTION, {false, true, true, true}},
        {ID_FILE_RECORD_MOVIE, {false, false, true, false}},
        {ID_FILE_STOP_RECORDING, {false, false, false, true}},
        {ID_FILE_CAPTURE_SCREEN, {false, false, true, true}},
        {ID_VIEW_ZOOM, {true, true, true, true}},
        {ID_APP_ABOUT, {true, true, true, true}},
        {ID_APP_EXIT, {true, true, true, true}},
        {ID_SKIN_FIRST, {false, false, false, true}},
        {ID_SKIN_FIRST + 1, {true, true, true, false}},
        {ID_SKIN_LAST, {true, true, true, true}},
        {12345, {false, false, false, false}},
    };
    const UiState* states[] = {&notConnected, &connected, &live, &recording};
    for (const Row& row : rows)
        for (int s = 0; s < 4; ++s)
            EXPECT_EQ(CommandState(row.id, *states[s]).bEnabled, row.enabled[s])
                << "command " << row.id << " in state " << s;
    EXPECT_FALSE(CommandState(ID_VIEW_ZOOM, live).bChecked);
    EXPECT_TRUE(CommandState(ID_VIEW_ZOOM, recording).bChecked);
}
