// What the enabling rules of the main window's commands are computed from.
//
// The state is taken from the program every time a menu opens, and the same
// rule decides whether a keyboard shortcut acts: a command that its menu item
// would show disabled does nothing from the keyboard either. Each command's
// rule is on its row of the command table (app/CommandTable.h).
#pragma once

struct UiState {
    bool bPortOpen = false;    // the serial port is open
    bool bLivePicture = false; // the screen window shows a received screen
    bool bRecording = false;   // a movie is being recorded
    int nZoom = 1;
    int nCurrentSkin = 0;            // index of the selected skin
    bool bMoviesWithSkin = false;    // MP4 movies show the phone in its skin
    bool bReconnecting = false;      // a lost connection is being opened again
    bool bPresentation = false;      // presentation mode is on
    bool bFillScreen = false;        // presentation scales smoothly to fill the screen
    bool bStayOnTop = false;         // the main window stays above other windows
    int nFitZoom = 4;                // the largest zoom whose window fits the screen whole
    bool bRecordingIndicator = true; // "REC!" and its time show in presentation
};

struct CommandUi {
    bool bEnabled = false;
    bool bChecked = false;
};
