// Turns SIGINT and SIGTERM (on Windows the console's Ctrl+C and Ctrl+Break)
// into a call on the UI thread.
//
// Create one on the UI thread after the QApplication. The platform layer
// turns the stop requests into an event (platform/Console.h); the event loop
// sees it (a QSocketNotifier on POSIX, a QWinEventNotifier on Windows) and
// calls the function given, as often as requests came in between (once at
// the least); the function must not destroy the watcher. Destroying the
// watcher gives the requests their default handling back. One watcher at a
// time.
#pragma once

#include <functional>
#include <memory>

class CEvent;
class QObject;

class CQtSignalWatcher {
public:
    explicit CQtSignalWatcher(std::function<void()> onSignal);
    ~CQtSignalWatcher();
    CQtSignalWatcher(const CQtSignalWatcher&) = delete;
    CQtSignalWatcher& operator=(const CQtSignalWatcher&) = delete;

    // False when the system gave no event: the requests keep their default
    // handling (they end the program at once).
    bool IsWatching() const { return m_pNotifier != nullptr; }

private:
    std::function<void()> m_fnOnSignal;
    CEvent* m_pStop = nullptr;
    std::unique_ptr<QObject> m_pNotifier;
};
