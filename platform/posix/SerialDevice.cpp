#include "platform/SerialDevice.h"

#include "platform/Event.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

struct CSerialDevice::Native {
    int fd = -1;
};

CSerialDevice::CSerialDevice() : m_pNative(std::make_unique<Native>()) {}

CSerialDevice::~CSerialDevice() {
    Close();
}

bool CSerialDevice::IsOpen() const {
    return m_pNative->fd >= 0;
}

bool CSerialDevice::Open(const std::string& strPath) {
    Close();
    int fd;
    do {
        fd = ::open(strPath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return false;
    if (!::isatty(fd)) {
        ::close(fd);
        errno = ENOTTY;
        return false;
    }
    // The advisory lock is what other serial programs honour; TIOCEXCL keeps
    // out later opens by anyone but root.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        errno = (err == EWOULDBLOCK) ? EBUSY : err;
        return false;
    }
    ::ioctl(fd, TIOCEXCL);
    m_pNative->fd = fd;
    return true;
}

void CSerialDevice::Close() {
    if (m_pNative->fd < 0)
        return;
    ::ioctl(m_pNative->fd, TIOCNXCL);
    // Output still queued means the line does not take it: closing would wait
    // for it. Only then is it discarded; a pseudo-terminal has passed its
    // bytes on already (it reports none queued) and keeps them.
    int nQueued = 0;
    if (::ioctl(m_pNative->fd, TIOCOUTQ, &nQueued) == 0 && nQueued > 0)
        ::tcflush(m_pNative->fd, TCOFLUSH);
    ::close(m_pNative->fd); // also releases the lock
    m_pNative->fd = -1;
}

namespace {

// The termios speed constant for a baud rate, or false when there is none.
bool SpeedFor(int nBaud, speed_t* pSpeed) {
    static const struct {
        int baud;
        speed_t speed;
    } kSpeeds[] = {{1200, B1200},     {2400, B2400},     {4800, B4800},    {9600, B9600},
                   {19200, B19200},   {38400, B38400},   {57600, B57600},  {115200, B115200},
                   {230400, B230400}, {460800, B460800}, {921600, B921600}};
    for (const auto& s : kSpeeds) {
        if (s.baud == nBaud) {
            *pSpeed = s.speed;
            return true;
        }
    }
    return false;
}

} // namespace

bool CSerialDevice::SetLineSettings(const LineSettings& settings) {
    if (m_pNative->fd < 0) {
        errno = EBADF;
        return false;
    }
    speed_t speed = 0;
    if (!SpeedFor(settings.nBaud, &speed) || settings.nDataBits < 5 || settings.nDataBits > 8 ||
        (settings.nStopBits != 1 && settings.nStopBits != 2)) {
        errno = EINVAL;
        return false;
    }
    termios tio{};
    if (::tcgetattr(m_pNative->fd, &tio) != 0)
        return false;
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    tio.c_cflag |= CREAD | CLOCAL;
    static const tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
    tio.c_cflag |= kSizes[settings.nDataBits - 5];
    switch (settings.cParity) {
    case 'N':
    case 'n':
        break;
    case 'E':
    case 'e':
        tio.c_cflag |= PARENB;
        break;
    case 'O':
    case 'o':
        tio.c_cflag |= PARENB | PARODD;
        break;
    default:
        errno = EINVAL;
        return false;
    }
    if (settings.nStopBits == 2)
        tio.c_cflag |= CSTOPB;
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    // Reads return at once with whatever has arrived.
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (::cfsetispeed(&tio, speed) != 0 || ::cfsetospeed(&tio, speed) != 0)
        return false;
    return ::tcsetattr(m_pNative->fd, TCSANOW, &tio) == 0;
}

bool CSerialDevice::RaiseModemLines() {
    if (m_pNative->fd < 0) {
        errno = EBADF;
        return false;
    }
    const int lines = TIOCM_RTS | TIOCM_DTR;
    if (::ioctl(m_pNative->fd, TIOCMBIS, &lines) == 0)
        return true;
    // Pseudo-terminals and some adapters have no modem-control lines.
    return errno == ENOTTY || errno == EINVAL;
}

bool CSerialDevice::Flush() {
    if (m_pNative->fd < 0) {
        errno = EBADF;
        return false;
    }
    return ::tcflush(m_pNative->fd, TCIOFLUSH) == 0;
}

long CSerialDevice::BytesQueued() const {
    int n = 0;
    if (m_pNative->fd < 0 || ::ioctl(m_pNative->fd, FIONREAD, &n) != 0)
        return -1;
    return n;
}

long CSerialDevice::Read(std::uint8_t* pBuffer, std::size_t nMax) {
    if (m_pNative->fd < 0) {
        errno = EBADF;
        return -1;
    }
    ssize_t n;
    do {
        n = ::read(m_pNative->fd, pBuffer, nMax);
    } while (n < 0 && errno == EINTR);
    return static_cast<long>(n);
}

namespace {

using Clock = std::chrono::steady_clock;

int MsLeft(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left <= 0 ? 0 : static_cast<int>(std::min<long long>(left, 1 << 30));
}

bool Readable(int fd) {
    pollfd p{fd, POLLIN, 0};
    return fd >= 0 && ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
}

} // namespace

std::size_t CSerialDevice::Write(const std::uint8_t* pData, std::size_t nLength, int nTimeoutMs,
                                 const CEvent* pCancel) {
    const int nCancelFd = pCancel ? pCancel->Fd() : -1;
    if (m_pNative->fd < 0) {
        errno = EBADF;
        return 0;
    }
    const auto deadline = Clock::now() + std::chrono::milliseconds(nTimeoutMs);
    std::size_t sent = 0;
    while (sent < nLength) {
        const ssize_t n = ::write(m_pNative->fd, pData + sent, nLength - sent);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return sent;
        const int left = MsLeft(deadline);
        if (left <= 0) {
            errno = ETIMEDOUT;
            return sent;
        }
        // The device takes more bytes, or the wait is cancelled, or time runs out.
        pollfd p[2] = {{m_pNative->fd, POLLOUT, 0}, {nCancelFd, POLLIN, 0}};
        const int r = ::poll(p, 2, left);
        if (r < 0 && errno != EINTR)
            return sent;
        if (r > 0 && (p[1].revents & POLLIN)) {
            errno = ECANCELED;
            return sent;
        }
        if (r > 0 && (p[0].revents & (POLLERR | POLLHUP | POLLNVAL)) && !(p[0].revents & POLLOUT)) {
            errno = EIO;
            return sent;
        }
    }
    return sent;
}

bool CSerialDevice::WaitUntilSent(int nTimeoutMs, const CEvent* pCancel) {
    const int nCancelFd = pCancel ? pCancel->Fd() : -1;
    if (m_pNative->fd < 0) {
        errno = EBADF;
        return false;
    }
    // The kernel tells how much output waits but gives no event when it is
    // gone: look again every few milliseconds.
    const auto deadline = Clock::now() + std::chrono::milliseconds(nTimeoutMs);
    for (;;) {
        int nQueued = 0;
        if (::ioctl(m_pNative->fd, TIOCOUTQ, &nQueued) != 0 || nQueued <= 0)
            return true;
        const int left = MsLeft(deadline);
        if (left <= 0 || Readable(nCancelFd))
            return false;
        pollfd p{nCancelFd, POLLIN, 0};
        ::poll(&p, 1, std::min(left, 5));
    }
}

CSerialDevice::WaitResult CSerialDevice::Wait(const CEvent& stop, bool bWatchPort,
                                              const CEvent& send, int nTimeoutMs) {
    // Stop, port, send: when several are ready the lowest index wins.
    pollfd fds[3] = {{stop.Fd(), POLLIN, 0},
                     {bWatchPort ? m_pNative->fd : -1, POLLIN, 0},
                     {send.Fd(), POLLIN, 0}};
    const int n = ::poll(fds, 3, nTimeoutMs);
    if (n < 0)
        return {Ready::Failed, false};
    if (n == 0)
        return {Ready::Timeout, false};
    if (fds[0].revents != 0)
        return {Ready::Stop, false};
    if (fds[1].revents != 0)
        return {Ready::Port, (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0};
    return {Ready::Send, false};
}

void CSerialDevice::WaitReadable(int nTimeoutMs) {
    pollfd p{m_pNative->fd, POLLIN, 0};
    ::poll(&p, 1, nTimeoutMs);
}

int SerialDeviceFd(const CSerialDevice& device) {
    return device.m_pNative->fd;
}
