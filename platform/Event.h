// A manual-reset event. Set() leaves it signalled until Reset().
//
// The backend's handle lets the event stand beside a device in one wait: on
// POSIX an eventfd that poll() sees readable while the event is signalled,
// on Windows an event object for WaitForMultipleObjects.
#pragma once

class CEvent {
public:
    CEvent();
    ~CEvent();
    CEvent(const CEvent&) = delete;
    CEvent& operator=(const CEvent&) = delete;

    // False when the system refused the event; CreateError() tells why.
    bool IsValid() const;
    int CreateError() const { return m_nCreateError; }

    void Set();
    void Reset();
    bool IsSet() const;
    // Waits until the event is signalled or nTimeoutMs passed (-1: no limit).
    bool Wait(int nTimeoutMs) const;

#ifdef _WIN32
    void* Handle() const {
        return m_hEvent;
    }
#else
    int Fd() const {
        return m_fd;
    }
#endif

private:
#ifdef _WIN32
    void* m_hEvent = nullptr;
#else
    int m_fd = -1;
#endif
    int m_nCreateError = 0;
};
