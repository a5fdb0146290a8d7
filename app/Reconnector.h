// Opens a lost connection again. When the device went away (unplugged, hung
// up, failing) the application keeps the port chosen and starts this: once a
// second, on the UI thread, it tries to open the port quietly, until an
// attempt succeeds or it is stopped (Close connection, Open connection). Each
// attempt returns at once, as the driver never waits for a device to open.
// The same attempts wait for a port that does not exist yet (a phone not
// plugged in when the connection is opened). The loss, the wait and the
// connection are written to standard error with the time.
#pragma once

#include <QObject>
#include <QTimer>

#include <functional>
#include <string>

class CReconnector : public QObject {
public:
    // Opens strPort without showing errors and starts monitoring it; true
    // when the connection is up again.
    using TryOpen = std::function<bool(const std::string& strPort)>;

    explicit CReconnector(TryOpen fnTryOpen, QObject* pParent = nullptr);

    // The connection on strPort was lost for strReason (the system's text):
    // says so and begins the attempts.
    void Start(const std::string& strPort, const std::string& strReason);
    // No device answers to strPort yet: says so and begins the attempts.
    void WaitForDevice(const std::string& strPort);
    // Whether the attempts under way wait for a port that was never open.
    bool IsWaitingForDevice() const { return IsActive() && m_bNeverOpen; }
    // Ends the attempts; true when they were under way.
    bool Stop();
    bool IsActive() const { return m_timer.isActive(); }
    // Attempts made since the last Start.
    int Attempts() const { return m_nAttempts; }

    // One attempt a second in the program; tests may change the interval.
    void SetIntervalMs(int nMs) { m_timer.setInterval(nMs); }

private:
    void OnTimer();

    TryOpen m_fnTryOpen;
    QTimer m_timer;
    std::string m_strPort;
    int m_nAttempts = 0;
    bool m_bNeverOpen = false; // WaitForDevice: the port was not open before
};

// "lumetto: 2026-12-07 14:05:52 text", a line on standard error with the
// local date and time.
void LogWithTime(const std::string& strText);
