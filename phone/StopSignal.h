// SIGINT and SIGTERM as a stop request the simulator can wait on.
//
// The first signal asks for a clean stop (the frame on the line is finished,
// the closing notice sent when asked for); a second one asks to stop at once.
// A stop request sets an event that a wait on the line also watches.
#pragma once

class CEvent;

class CStopSignal {
public:
    // Installs the handlers (without SA_RESTART) and makes the wake-up.
    static bool Install();
    // Makes only the wake-up, for a simulator inside another program that
    // stops it with Raise() and keeps its own signal handlers.
    static bool CreateWakePipe();
    // The event set when a stop was asked for (a wait that sees it resets
    // it); null before Install or CreateWakePipe.
    static CEvent* Wake();
    // Number of stop requests so far.
    static int Count();
    // Asks for a stop as a signal would (for tests and internal use).
    static void Raise();
    // Forgets earlier requests and drains the pipe.
    static void Reset();
};
