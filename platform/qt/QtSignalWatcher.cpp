#include "platform/qt/QtSignalWatcher.h"

#include "platform/Console.h"
#include "platform/Event.h"

#ifdef _WIN32
#include <QWinEventNotifier>
#else
#include <QSocketNotifier>
#endif

CQtSignalWatcher::CQtSignalWatcher(std::function<void()> onSignal)
    : m_fnOnSignal(std::move(onSignal)) {
    m_pStop = InstallConsoleStop();
    if (m_pStop == nullptr)
        return;
    const auto onStop = [this] {
        // Reset first: a request that comes while the function runs calls it again.
        m_pStop->Reset();
        m_fnOnSignal();
    };
#ifdef _WIN32
    auto pNotifier = std::make_unique<QWinEventNotifier>(m_pStop->Handle());
    QObject::connect(pNotifier.get(), &QWinEventNotifier::activated, pNotifier.get(), onStop);
#else
    auto pNotifier = std::make_unique<QSocketNotifier>(m_pStop->Fd(), QSocketNotifier::Read);
    QObject::connect(pNotifier.get(), &QSocketNotifier::activated, pNotifier.get(), onStop);
#endif
    m_pNotifier = std::move(pNotifier);
}

CQtSignalWatcher::~CQtSignalWatcher() {
    if (!m_pNotifier)
        return;
    RemoveConsoleStop();
    m_pNotifier.reset();
}
