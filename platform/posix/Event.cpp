#include "platform/Event.h"

#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

CEvent::CEvent() {
    m_fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_fd < 0)
        m_nCreateError = errno;
}

bool CEvent::IsValid() const {
    return m_fd >= 0;
}

CEvent::~CEvent() {
    if (m_fd >= 0)
        ::close(m_fd);
}

void CEvent::Set() {
    if (m_fd < 0)
        return;
    const std::uint64_t one = 1;
    // The counter only grows; a full counter (EAGAIN) is still signalled.
    while (::write(m_fd, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

void CEvent::Reset() {
    if (m_fd < 0)
        return;
    std::uint64_t value = 0;
    // One read returns and clears the whole counter; EAGAIN means it was clear.
    while (::read(m_fd, &value, sizeof value) < 0 && errno == EINTR) {
    }
}

bool CEvent::IsSet() const {
    return Wait(0);
}

bool CEvent::Wait(int nTimeoutMs) const {
    if (m_fd < 0)
        return false;
    pollfd p{m_fd, POLLIN, 0};
    for (;;) {
        const int n = ::poll(&p, 1, nTimeoutMs);
        if (n >= 0)
            return n > 0 && (p.revents & POLLIN);
        if (errno != EINTR)
            return false;
    }
}
