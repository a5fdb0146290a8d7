#include "app/Reconnector.h"
#include "platform/LocalTime.h"

#include <cstdio>
#include <ctime>

void LogWithTime(const std::string& strText) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    char stamp[32] = "";
    if (LocalTime(now, local))
        std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    std::fprintf(stderr, "lumetto: %s %s\n", stamp, strText.c_str());
    std::fflush(stderr);
}

CReconnector::CReconnector(TryOpen fnTryOpen, QObject* pParent)
    : QObject(pParent), m_fnTryOpen(std::move(fnTryOpen)) {
    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, [this] { OnTimer(); });
}

void CReconnector::Start(const std::string& strPort, const std::string& strReason) {
    m_strPort = strPort;
    m_nAttempts = 0;
    m_bNeverOpen = false;
    LogWithTime("the connection on " + strPort + " was lost (" + strReason +
                "); opening it again every second");
    m_timer.start();
}

void CReconnector::WaitForDevice(const std::string& strPort) {
    m_strPort = strPort;
    m_nAttempts = 0;
    m_bNeverOpen = true;
    LogWithTime(strPort + " does not exist yet; waiting for the phone, trying it every second");
    m_timer.start();
}

bool CReconnector::Stop() {
    const bool bWasActive = m_timer.isActive();
    m_timer.stop();
    return bWasActive;
}

void CReconnector::OnTimer() {
    ++m_nAttempts;
    if (!m_fnTryOpen(m_strPort))
        return;
    m_timer.stop();
    LogWithTime(m_bNeverOpen ? m_strPort + " is there; the connection is open"
                             : "the connection on " + m_strPort + " is open again");
}
