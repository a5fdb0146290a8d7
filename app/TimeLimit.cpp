#include "app/TimeLimit.h"

#include <algorithm>

CTimeLimit::CTimeLimit(double dSeconds, std::function<void()> fnExpired, QObject* pParent,
                       std::chrono::milliseconds maxStep)
    : QObject(pParent), m_deadline(std::chrono::steady_clock::now() +
                                   std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                       std::chrono::duration<double>(dSeconds))),
      m_fnExpired(std::move(fnExpired)),
      m_maxStep(std::max(maxStep, std::chrono::milliseconds(1))) {
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] { Arm(); });
    // The first wait always goes through the event loop, even when it is 0.
    m_timer.start(std::min(Remaining(), m_maxStep));
}

std::chrono::milliseconds CTimeLimit::Remaining() const {
    const auto left = m_deadline - std::chrono::steady_clock::now();
    return std::max(std::chrono::ceil<std::chrono::milliseconds>(left),
                    std::chrono::milliseconds(0));
}

void CTimeLimit::Arm() {
    const std::chrono::milliseconds left = Remaining();
    if (left.count() == 0) {
        if (m_fnExpired)
            m_fnExpired();
        return;
    }
    m_timer.start(std::min(left, m_maxStep));
}
