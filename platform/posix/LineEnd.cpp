#include "platform/LineEnd.h"

#include "platform/Event.h"
#include "platform/SerialDevice.h"
#include "platform/posix/SerialDeviceFd.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

struct CLineEnd::Native {
    int fd = -1;
    CSerialDevice device;       // a serial device opened by OpenPort; fd is its descriptor
    std::string strSubordinate; // a pseudo-terminal: the path readers open
};

CLineEnd::CLineEnd() : m_pNative(std::make_unique<Native>()) {}

CLineEnd::~CLineEnd() {
    Close();
}

void CLineEnd::Close() {
    if (m_pNative->device.IsOpen())
        m_pNative->device.Close();
    else if (m_pNative->fd >= 0)
        ::close(m_pNative->fd);
    m_pNative->fd = -1;
    m_eKind = Kind::None;
    m_bTalksBack = false;
}

bool CLineEnd::OpenFile(const std::string& strPath, std::string& strSystemText) {
    Close();
    const int fd = strPath == "-"
                       ? ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3)
                       : ::open(strPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        strSystemText = std::strerror(errno);
        return false;
    }
    m_pNative->fd = fd;
    m_eKind = Kind::File;
    return true;
}

bool CLineEnd::OpenPort(const std::string& strPath, std::string& strSystemText, bool& bOpened) {
    Close();
    bOpened = false;
    CSerialDevice& device = m_pNative->device;
    if (device.Open(strPath)) {
        bOpened = true;
        if (!device.SetLineSettings(LineSettings{})) {
            strSystemText = std::strerror(errno);
            device.Close();
            return false;
        }
        m_pNative->fd = SerialDeviceFd(device);
        m_eKind = Kind::Port;
        m_bTalksBack = true;
        return true;
    }
    if (errno != ENOTTY) {
        strSystemText = std::strerror(errno);
        return false;
    }
    // Not a terminal: a regular file is rewritten from the start; a pipe or
    // a file does not talk back.
    const int fd = ::open(strPath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        strSystemText = std::strerror(errno);
        return false;
    }
    struct stat st = {};
    ::fstat(fd, &st);
    if (S_ISREG(st.st_mode)) [[maybe_unused]]
        int r = ::ftruncate(fd, 0);
    m_pNative->fd = fd;
    m_eKind = Kind::Port;
    m_bTalksBack = S_ISCHR(st.st_mode) || S_ISSOCK(st.st_mode);
    return true;
}

bool CLineEnd::OpenPty(std::string& strSubordinate, std::string& strSystemText, bool& bCreated) {
    Close();
    bCreated = false;
    int primary = -1, subordinate = -1;
    if (::openpty(&primary, &subordinate, nullptr, nullptr, nullptr) != 0) {
        strSystemText = std::strerror(errno);
        return false;
    }
    bCreated = true;
    char name[256] = {};
    const int nameErr = ::ttyname_r(subordinate, name, sizeof name);
    // The subordinate side keeps its raw settings for every reader that opens it.
    CSerialDevice line;
    const bool raw = nameErr == 0 && line.Open(name) && line.SetLineSettings(LineSettings{});
    const int rawErr = errno;
    line.Close();
    ::close(subordinate);
    if (nameErr != 0 || !raw) {
        ::close(primary);
        strSystemText = std::strerror(nameErr != 0 ? nameErr : rawErr);
        return false;
    }
    ::fcntl(primary, F_SETFL, ::fcntl(primary, F_GETFL) | O_NONBLOCK);
    ::fcntl(primary, F_SETFD, FD_CLOEXEC);
    m_pNative->fd = primary;
    m_pNative->strSubordinate = name;
    m_eKind = Kind::Pty;
    m_bTalksBack = true;
    strSubordinate = name;
    return true;
}

bool CLineEnd::Wait(int nTimeoutMs, bool bWantWrite, CEvent* pWake, Ready& ready,
                    std::string& strSystemText) {
    ready = Ready{};
    pollfd fds[2];
    nfds_t n = 0;
    if (pWake != nullptr)
        fds[n++] = {pWake->Fd(), POLLIN, 0};
    const bool bPollLine = m_eKind != Kind::File;
    if (bPollLine)
        fds[n++] = {m_pNative->fd, short((m_bTalksBack ? POLLIN : 0) | (bWantWrite ? POLLOUT : 0)),
                    0};
    if (!bPollLine && bWantWrite)
        nTimeoutMs = 0; // a file always takes bytes
    if (::poll(fds, n, nTimeoutMs) < 0) {
        if (errno == EINTR)
            return true;
        strSystemText = std::strerror(errno);
        return false;
    }
    if (pWake != nullptr && (fds[0].revents & POLLIN))
        pWake->Reset();
    if (!bPollLine) {
        ready.bWritable = bWantWrite;
        return true;
    }
    const short ev = fds[n - 1].revents;
    ready.bReadable = (ev & POLLIN) != 0;
    ready.bHangup = (ev & POLLHUP) != 0;
    ready.bError = (ev & (POLLERR | POLLNVAL)) != 0;
    ready.bWritable = bWantWrite && (ev & POLLOUT) != 0;
    return true;
}

long CLineEnd::Read(char* pBuffer, std::size_t nMax, std::string& strSystemText) {
    for (;;) {
        const ssize_t r = ::read(m_pNative->fd, pBuffer, nMax);
        if (r > 0)
            return static_cast<long>(r);
        if (r < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return 0;
        if (r < 0 && errno == EINTR)
            continue;
        if (m_eKind == Kind::Pty)
            return kGone; // EIO: the last reader has gone
        if (r == 0)
            return 0; // a tty with nothing to read
        strSystemText = std::strerror(errno);
        return kFailed;
    }
}

long CLineEnd::Write(const std::uint8_t* pData, std::size_t nLength, std::string& strSystemText) {
    const ssize_t r = ::write(m_pNative->fd, pData, nLength);
    if (r >= 0)
        return static_cast<long>(r);
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
        return 0;
    if (errno == EIO && m_eKind == Kind::Pty)
        return kGone;
    strSystemText = std::strerror(errno);
    return kFailed;
}

bool CLineEnd::HasReader() {
    if (m_eKind != Kind::Pty)
        return m_pNative->fd >= 0;
    pollfd p = {m_pNative->fd, 0, 0};
    return ::poll(&p, 1, 0) >= 0 && !(p.revents & POLLHUP);
}

long CLineEnd::Untaken() {
    int pending = 0;
    if (m_eKind == Kind::Port) {
        // Bytes the port has not sent yet.
        if (!::isatty(m_pNative->fd) || ::ioctl(m_pNative->fd, TIOCOUTQ, &pending) != 0)
            return kUnknown;
        return pending;
    }
    if (m_eKind != Kind::Pty)
        return kUnknown;
    // What the reader has not read yet waits in the subordinate side's input
    // queue; look at it through a descriptor of our own.
    const int fd =
        ::open(m_pNative->strSubordinate.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return kHeld; // the reader holds it exclusively (TIOCEXCL)
    const bool bKnown = ::ioctl(fd, FIONREAD, &pending) == 0;
    ::close(fd);
    return bKnown ? pending : kUnknown;
}
