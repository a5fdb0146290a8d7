// Turns SIGINT and SIGTERM into a call on the UI thread.
//
// Create one on the UI thread after the QApplication. A signal handler may do
// almost nothing, so it only writes a byte into a socket pair; the event loop
// sees the byte through a QSocketNotifier and calls the function given, as
// often as signals came in between (once at the least); the function must
// not destroy the watcher. Destroying the watcher gives both signals their
// default handling back. One watcher at a time.
#pragma once

#include <functional>
#include <memory>

class QSocketNotifier;

class CQtSignalWatcher {
public:
    explicit CQtSignalWatcher(std::function<void()> onSignal);
    ~CQtSignalWatcher();
    CQtSignalWatcher(const CQtSignalWatcher&) = delete;
    CQtSignalWatcher& operator=(const CQtSignalWatcher&) = delete;

    // False when the socket pair could not be made: the signals keep their
    // default handling (they end the program at once).
    bool IsWatching() const { return m_pNotifier != nullptr; }

private:
    std::function<void()> m_fnOnSignal;
    int m_fds[2] = {-1, -1}; // read end, write end
    std::unique_ptr<QSocketNotifier> m_pNotifier;
};
