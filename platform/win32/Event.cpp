#include "platform/Event.h"

#include <windows.h>

CEvent::CEvent() {
    // Manual reset, not signalled, unnamed.
    m_hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (m_hEvent == nullptr)
        m_nCreateError = static_cast<int>(::GetLastError());
}

CEvent::~CEvent() {
    if (m_hEvent != nullptr)
        ::CloseHandle(m_hEvent);
}

bool CEvent::IsValid() const {
    return m_hEvent != nullptr;
}

void CEvent::Set() {
    if (m_hEvent != nullptr)
        ::SetEvent(m_hEvent);
}

void CEvent::Reset() {
    if (m_hEvent != nullptr)
        ::ResetEvent(m_hEvent);
}

bool CEvent::IsSet() const {
    return Wait(0);
}

bool CEvent::Wait(int nTimeoutMs) const {
    if (m_hEvent == nullptr)
        return false;
    const DWORD dwTimeout = nTimeoutMs < 0 ? INFINITE : static_cast<DWORD>(nTimeoutMs);
    return ::WaitForSingleObject(m_hEvent, dwTimeout) == WAIT_OBJECT_0;
}
