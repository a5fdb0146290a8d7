// The enabling rules of the command table.
#include "app/CommandTable.h"
#include "res/ResourceIds.h"

#include <gtest/gtest.h>

// Every command against every state of the program, as the menu and the
// keyboard see it.
TEST(CommandRules, EnabledAndCheckedInEveryState) {
    const UiState notConnected{false, false, false, 1, 0};
    const UiState connected{true, false, false, 1, 0};
    const UiState live{true, true, false, 1, 0};
    const UiState recording{true, true, true, 2, 1, true};
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
        {ID_FILE_COPY_SCREEN, {false, false, true, true}},
        {ID_FILE_QUICK_CAPTURE, {false, false, true, true}},
        {ID_FILE_MOVIES_WITH_SKIN, {true, true, true, true}},
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
    EXPECT_FALSE(CommandState(ID_FILE_MOVIES_WITH_SKIN, live).bChecked);
    EXPECT_TRUE(CommandState(ID_FILE_MOVIES_WITH_SKIN, recording).bChecked);
}
