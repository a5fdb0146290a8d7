// Whether the window system Qt will use can be reached, decided before Qt
// starts: Qt ends the program with an abort when it cannot open its display.
#pragma once

#include <string>

struct WindowSystemEnvironment {
    std::string strPlatform;     // -platform value, else QT_QPA_PLATFORM; empty: Qt's own choice
    bool bX11 = false;           // DISPLAY is set (or -display was given)
    bool bWayland = false;       // WAYLAND_DISPLAY is set
    bool bWaylandSocket = false; // the default Wayland socket exists (for a named Wayland platform)
};

// The environment of this process; strQtPlatform is the -platform value, if any.
WindowSystemEnvironment CurrentWindowSystem(const std::string& strQtPlatform, bool bDisplayOption);

// True when one of the platforms named (a list such as "wayland;xcb", each
// with optional ":arguments") can be reached: xcb needs an X display, the
// Wayland platforms a Wayland display, Qt's own choice either; the others
// (offscreen, eglfs, vnc ...) need none this check knows of.
bool WindowSystemReachable(const WindowSystemEnvironment& env);

// The message for a run with a window but no display.
const char* NoDisplayMessage();
