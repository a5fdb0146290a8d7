// The stop requests through the platform layer's console stop: its event is
// the wake-up a wait sees, its count tells a first request from a second.
// A simulator inside another program has an event of its own and only
// Raise() counts.
#include "phone/StopSignal.h"

#include "platform/Console.h"
#include "platform/Event.h"

#include <atomic>

namespace {

std::atomic<int> g_nRaised{0};
std::atomic<int> g_nForgotten{0}; // console requests before the last Reset
std::atomic<CEvent*> g_pWake{nullptr};
std::atomic<bool> g_bConsole{false}; // Install: the console's requests count too

} // namespace

bool CStopSignal::CreateWakePipe() {
    if (g_pWake.load() != nullptr)
        return true;
    auto* pEvent = new CEvent; // lives as long as the process
    if (!pEvent->IsValid()) {
        delete pEvent;
        return false;
    }
    CEvent* pNone = nullptr;
    if (!g_pWake.compare_exchange_strong(pNone, pEvent))
        delete pEvent;
    return true;
}

bool CStopSignal::Install() {
    // Without SA_RESTART: a write into a full pipe or the open of a FIFO
    // ends on a stop request too.
    CEvent* pEvent = InstallConsoleStop(true);
    if (pEvent == nullptr)
        return false;
    g_pWake.store(pEvent);
    g_bConsole.store(true);
    return true;
}

CEvent* CStopSignal::Wake() {
    return g_pWake.load();
}

int CStopSignal::Count() {
    if (!g_bConsole.load())
        return g_nRaised.load(); // a simulator inside another program
    return g_nRaised.load() + ConsoleStopCount() - g_nForgotten.load();
}

void CStopSignal::Raise() {
    g_nRaised.fetch_add(1);
    if (CEvent* pEvent = g_pWake.load())
        pEvent->Set();
}

void CStopSignal::Reset() {
    g_nRaised.store(0);
    g_nForgotten.store(ConsoleStopCount());
    if (CEvent* pEvent = g_pWake.load())
        pEvent->Reset();
}
