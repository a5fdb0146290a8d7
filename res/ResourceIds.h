// Resource and command ids shared by the windows, the menu and the skins.
#pragma once

// Application icon, menu, accelerators and document string.
constexpr int IDR_MAINFRAME = 128;

// Bitmaps.
constexpr int IDB_S60_FRAME = 140; // plain white 176 x 208, the built-in S60 skin
constexpr int IDB_UIQ_FRAME = 143; // plain white 208 x 320, the built-in UIQ skin
constexpr int IDB_S60_IDLE = 201;  // the S60 screen's idle picture, 176 x 208
constexpr int IDB_UIQ_IDLE = 202;  // the UIQ screen's idle picture, 208 x 320

// Commands.
constexpr int ID_VIEW_ZOOM = 10000;
constexpr int ID_FILE_OPEN_CONNECTION = 10001;
constexpr int ID_FILE_CLOSE_CONNECTION = 10002;
constexpr int ID_FILE_RECORD_MOVIE = 10005;
constexpr int ID_FILE_STOP_RECORDING = 10006;
constexpr int ID_FILE_CAPTURE_SCREEN = 10007;
constexpr int ID_FILE_COPY_SCREEN = 10020;      // the current picture to the clipboard
constexpr int ID_FILE_QUICK_CAPTURE = 10021;    // a PNG into the pictures folder, no dialog
constexpr int ID_FILE_MOVIES_WITH_SKIN = 10022; // MP4 movies show the phone in its skin
constexpr int ID_VIEW_PRESENTATION = 10030;     // full screen, phone centred and scaled
constexpr int ID_VIEW_FILL_SCREEN = 10031;      // presentation scales smoothly to fit
constexpr int ID_VIEW_STAY_ON_TOP = 10032;      // the main window stays above others
constexpr int ID_VIEW_ZOOM_300 = 10034;
constexpr int ID_VIEW_ZOOM_400 = 10035;
constexpr int ID_VIEW_ZOOM_IN = 10036;             // the next zoom step up
constexpr int ID_VIEW_ZOOM_OUT = 10037;            // the next zoom step down
constexpr int ID_VIEW_RECORDING_INDICATOR = 10038; // "REC!" and its time in presentation
constexpr int ID_HELP_SHORTCUTS = 10039;           // the keyboard shortcuts, listed
constexpr int ID_SKIN_FIRST = 32783;               // skin i has command id ID_SKIN_FIRST + i
constexpr int ID_SKIN_LAST = 32833;
constexpr int ID_APP_ABOUT = 57664;
constexpr int ID_APP_EXIT = 57665;

// Strings.
constexpr int IDS_S60_FRAME = 32784;
constexpr int IDS_UIQ_FRAME = 32785;
constexpr int IDS_APP_TITLE = 57344;
constexpr int IDS_CANNOT_CLOSE_PORT = 61401;
constexpr int IDS_PORT_TITLE = 61403;
constexpr int IDS_NO_CONNECTION = 61404;
constexpr int IDS_PORT_SELECTION_FAILED = 61408;
constexpr int IDS_CONFIRM_EXIT = 61409;
constexpr int IDS_VIDEO_NOT_STARTED = 61410;
constexpr int IDS_MOVIE_FILTER = 61420; // the record dialog: MP4, MKV, MOV, AVI
