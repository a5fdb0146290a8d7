// --time-limit: ends the run after the time the user gave, however long.
// A Qt timer counts at most about 24.8 days (a 32-bit number of
// milliseconds), so the limit is a deadline on the monotonic clock, waited
// for in steps of at most a day. UI thread only.
#pragma once

#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>

class CTimeLimit : public QObject {
public:
    static constexpr std::chrono::milliseconds kMaxStep{24 * 3600 * 1000};

    // Calls fnExpired once, dSeconds (above 0) from now. maxStep: the longest
    // single wait (tests shorten it).
    CTimeLimit(double dSeconds, std::function<void()> fnExpired, QObject* pParent = nullptr,
               std::chrono::milliseconds maxStep = kMaxStep);

    // Time left until the limit.
    std::chrono::milliseconds Remaining() const;

private:
    void Arm();

    std::chrono::steady_clock::time_point m_deadline;
    std::function<void()> m_fnExpired;
    std::chrono::milliseconds m_maxStep;
    QTimer m_timer;
};
