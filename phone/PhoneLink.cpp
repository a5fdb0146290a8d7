#include "phone/PhoneLink.h"

#include "link/WireFormat.h"

#include "phone/StopSignal.h"
#include "platform/SerialDevice.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using wire::kCloseMarker;
using wire::kMarkerSize;

int MillisecondsUntil(CPhoneLink::Clock::time_point t) {
    const auto d = std::chrono::ceil<std::chrono::milliseconds>(t - CPhoneLink::Clock::now());
    return int(std::clamp<std::int64_t>(d.count(), 0, 1000));
}

} // namespace

CPhoneLink::~CPhoneLink() {
    Close();
}

void CPhoneLink::Close() {
    if (m_device.IsOpen())
        m_device.Close();
    else if (m_fd >= 0)
        close(m_fd);
    m_fd = -1;
    m_eKind = Kind::None;
}

bool CPhoneLink::Fail(const std::string& what, int err, const char* hint) {
    m_strError = what + ": " + std::strerror(err);
    if (hint)
        m_strError += std::string(". ") + hint;
    return false;
}

bool CPhoneLink::OpenFile(const std::string& path) {
    Close();
    m_fd = path == "-" ? fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3)
                       : open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (m_fd < 0)
        return Fail("cannot create the output file '" + path + "'", errno,
                    "Check that its folder exists and may be written");
    m_eKind = Kind::File;
    m_bReadable = false;
    return true;
}

bool CPhoneLink::OpenPort(const std::string& path) {
    Close();
    // A serial device is locked against other programs and set up as the
    // program's own end does it: raw 115200 8N1, reads that return at once.
    if (m_device.Open(path)) {
        if (!m_device.SetLineSettings(LineSettings{})) {
            const int err = errno;
            Close();
            return Fail("cannot set the port '" + path + "' to 115200 baud 8N1", err);
        }
        m_fd = m_device.Fd();
        m_eKind = Kind::Port;
        m_bReadable = true;
        return true;
    }
    if (errno != ENOTTY)
        return Fail("cannot open the port '" + path + "'", errno,
                    "Give the path of a serial device, or use --pty or --out");
    // Not a terminal: a regular file is rewritten from the start; a pipe or
    // a file does not talk back.
    m_fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0)
        return Fail("cannot open the port '" + path + "'", errno,
                    "Give the path of a serial device, or use --pty or --out");
    struct stat st = {};
    fstat(m_fd, &st);
    m_eKind = Kind::Port;
    if (S_ISREG(st.st_mode)) [[maybe_unused]]
        int r = ftruncate(m_fd, 0);
    m_bReadable = S_ISCHR(st.st_mode) || S_ISSOCK(st.st_mode);
    return true;
}

bool CPhoneLink::OpenPty(std::string& subordinatePath) {
    Close();
    int primary = -1, subordinate = -1;
    if (openpty(&primary, &subordinate, nullptr, nullptr, nullptr) != 0)
        return Fail("cannot create a pseudo-terminal", errno);
    char name[256] = {};
    const int nameErr = ttyname_r(subordinate, name, sizeof name);
    // The subordinate side keeps its raw settings for every reader that opens it.
    CSerialDevice line;
    const bool raw = nameErr == 0 && line.Open(name) && line.SetLineSettings(LineSettings{});
    const int rawErr = errno;
    line.Close();
    close(subordinate);
    if (nameErr != 0 || !raw) {
        close(primary);
        return Fail("cannot set up the pseudo-terminal", nameErr != 0 ? nameErr : rawErr);
    }
    fcntl(primary, F_SETFL, fcntl(primary, F_GETFL) | O_NONBLOCK);
    fcntl(primary, F_SETFD, FD_CLOEXEC);
    m_fd = primary;
    m_eKind = Kind::Pty;
    m_bReadable = true;
    subordinatePath = name;
    m_strSubordinate = name;
    return true;
}

void CPhoneLink::Drain(Clock::duration maxWait) {
    if (m_eKind != Kind::Pty && m_eKind != Kind::Port)
        return;
    int queueFd = m_fd;
    unsigned long request = TIOCOUTQ; // bytes the port has not sent yet
    if (m_eKind == Kind::Pty) {
        if (!HasReader())
            return;
        // What the reader has not read yet waits in the subordinate side's
        // input queue; look at it through a descriptor of our own.
        queueFd = open(m_strSubordinate.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (queueFd < 0) {
            // The reader holds it exclusively (TIOCEXCL): give it a moment.
            pollfd p = {CStopSignal::WakeFd(), POLLIN, 0};
            poll(&p, p.fd >= 0 ? 1 : 0, 500);
            return;
        }
        request = FIONREAD;
    } else if (!isatty(m_fd)) {
        return;
    }
    // The kernel hands written bytes on to the queue a moment later, so an
    // empty queue counts only when it stays empty for a few looks.
    const auto end = Clock::now() + maxWait;
    int pending = 0, emptyLooks = 0;
    while (emptyLooks < 5 && Clock::now() < end && CStopSignal::Count() < 2 &&
           ioctl(queueFd, request, &pending) == 0) {
        emptyLooks = pending > 0 ? 0 : emptyLooks + 1;
        pollfd p = {CStopSignal::WakeFd(), POLLIN, 0};
        poll(&p, p.fd >= 0 ? 1 : 0, 10);
    }
    if (queueFd != m_fd)
        close(queueFd);
}

bool CPhoneLink::HasReader() {
    if (m_eKind != Kind::Pty)
        return m_fd >= 0;
    pollfd p = {m_fd, 0, 0};
    return poll(&p, 1, 0) >= 0 && !(p.revents & POLLHUP);
}

CPhoneLink::Status CPhoneLink::Pump(int timeoutMs, bool wantWrite, bool& writable, int stopLevel) {
    writable = false;
    if (CStopSignal::Count() >= stopLevel)
        return Status::Stopped;
    pollfd fds[2];
    nfds_t n = 0;
    const int wake = CStopSignal::WakeFd();
    if (wake >= 0)
        fds[n++] = {wake, POLLIN, 0};
    const bool pollLine = m_eKind != Kind::File;
    if (pollLine)
        fds[n++] = {m_fd, short((m_bReadable ? POLLIN : 0) | (wantWrite ? POLLOUT : 0)), 0};
    if (!pollLine && wantWrite)
        timeoutMs = 0; // a file always takes bytes
    const int r = poll(fds, n, timeoutMs);
    if (r < 0) {
        if (errno == EINTR)
            return CStopSignal::Count() >= stopLevel ? Status::Stopped : Status::Ok;
        Fail("cannot wait for the line", errno);
        return Status::Failed;
    }
    if (wake >= 0 && (fds[0].revents & POLLIN)) {
        char buf[64];
        while (read(wake, buf, sizeof buf) > 0) {
        }
    }
    if (CStopSignal::Count() >= stopLevel)
        return Status::Stopped;
    if (!pollLine) {
        writable = wantWrite;
        return Status::Ok;
    }
    const short ev = fds[n - 1].revents;
    if (ev & POLLIN) {
        const Status s = ReadInput();
        if (s != Status::Ok)
            return s;
    }
    if (ev & POLLHUP) {
        if (m_eKind == Kind::Pty)
            return Status::NoReader;
        m_strError = "the other side of the port hung up";
        return Status::Failed;
    }
    if (ev & (POLLERR | POLLNVAL)) {
        m_strError = "the port reported an error (device unplugged?)";
        return Status::Failed;
    }
    writable = wantWrite && (ev & POLLOUT);
    return Status::Ok;
}

CPhoneLink::Status CPhoneLink::ReadInput() {
    char buf[256];
    for (;;) {
        const ssize_t r = read(m_fd, buf, sizeof buf);
        if (r > 0) {
            m_tail.append(buf, std::size_t(r));
            if (m_tail.find(kCloseMarker) != std::string::npos)
                return Status::PeerClosed;
            if (m_tail.size() > kMarkerSize - 1)
                m_tail.erase(0, m_tail.size() - (kMarkerSize - 1));
            continue;
        }
        if (r < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return Status::Ok;
        if (r < 0 && errno == EINTR)
            continue;
        if (m_eKind == Kind::Pty)
            return Status::NoReader; // EIO: the last reader has gone
        if (r == 0)
            return Status::Ok; // a tty with nothing to read
        Fail("cannot read from the port", errno);
        return Status::Failed;
    }
}

CPhoneLink::Status CPhoneLink::WriteSome(const std::uint8_t* p, std::size_t n,
                                         std::size_t& written) {
    written = 0;
    const ssize_t r = write(m_fd, p, n);
    if (r >= 0) {
        written = std::size_t(r);
        m_nBytesWritten += written;
        return Status::Ok;
    }
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
        return Status::Ok;
    if (errno == EIO && m_eKind == Kind::Pty)
        return Status::NoReader;
    Fail(m_eKind == Kind::File ? "cannot write the output file" : "cannot write to the port",
         errno);
    return Status::Failed;
}

CPhoneLink::Status CPhoneLink::Send(const std::uint8_t* p, std::size_t n) {
    if (m_fd < 0) {
        m_strError = "no output is open";
        return Status::Failed;
    }
    // Paced: about 20 ms of line time a write, so the bytes trickle as on a
    // real line; unpaced: everything at once.
    const std::size_t chunk = m_nBaud ? std::max<std::size_t>(16, m_nBaud / 10 / 50) : n;
    std::size_t off = 0;
    while (off < n) {
        if (m_nBaud) {
            const Status s = [&] {
                bool w = false;
                while (Clock::now() < m_lineFree) {
                    const Status st = Pump(MillisecondsUntil(m_lineFree), false, w, 2);
                    if (st != Status::Ok)
                        return st;
                }
                return Status::Ok;
            }();
            if (s != Status::Ok)
                return s;
        }
        const std::size_t k = std::min(chunk, n - off);
        std::size_t done = 0;
        bool first = true;
        while (done < k) {
            bool writable = false;
            const Status s = Pump(first ? 0 : 1000, true, writable, 2);
            first = false;
            if (s != Status::Ok)
                return s;
            if (!writable)
                continue;
            std::size_t w = 0;
            const Status ws = WriteSome(p + off + done, k - done, w);
            if (ws != Status::Ok)
                return ws;
            done += w;
        }
        off += k;
        if (m_nBaud) {
            const auto now = Clock::now();
            const auto lineTime = std::chrono::duration_cast<Clock::duration>(
                std::chrono::duration<double>(double(k) * 10.0 / m_nBaud));
            m_lineFree = std::max(m_lineFree, now) + lineTime;
        }
    }
    return Status::Ok;
}

CPhoneLink::Status CPhoneLink::WaitUntil(Clock::time_point deadline) {
    bool w = false;
    do {
        const Status s = Pump(MillisecondsUntil(deadline), false, w, 1);
        if (s != Status::Ok)
            return s;
    } while (Clock::now() < deadline);
    return Status::Ok;
}

CPhoneLink::Status CPhoneLink::WaitForReader(Clock::time_point deadline) {
    while (!HasReader()) {
        if (Clock::now() >= deadline)
            return Status::NoReader;
        if (CStopSignal::Count() >= 1)
            return Status::Stopped;
        // The primary side reports the missing reader at once and for as long
        // as it lasts, so look again after a short pause on the wake pipe only.
        pollfd p = {CStopSignal::WakeFd(), POLLIN, 0};
        poll(&p, p.fd >= 0 ? 1 : 0, std::min(50, MillisecondsUntil(deadline)));
    }
    // Whatever an earlier reader left unread is of no use to the new one.
    m_tail.clear();
    return Status::Ok;
}
