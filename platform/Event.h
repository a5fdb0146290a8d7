// A manual-reset event that poll() can wait on, over an eventfd.
//
// Set() leaves the event signalled until Reset(); Fd() becomes readable while
// it is signalled, so the event can stand beside a device in one poll() set.
#pragma once

class CEvent {
public:
    CEvent();
    ~CEvent();
    CEvent(const CEvent&) = delete;
    CEvent& operator=(const CEvent&) = delete;

    // False when the system refused the descriptor; CreateError() tells why.
    bool IsValid() const { return m_fd >= 0; }
    int CreateError() const { return m_nCreateError; }

    void Set();
    void Reset();
    bool IsSet() const;
    // Waits until the event is signalled or nTimeoutMs passed (-1: no limit).
    bool Wait(int nTimeoutMs) const;
    int Fd() const { return m_fd; }

private:
    int m_fd = -1;
    int m_nCreateError = 0;
};
