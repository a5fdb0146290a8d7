#include "tests/support/PtyLine.h"

#include "platform/HandOver.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace testsupport {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// How long one wait lasts before a loop looks at its stop flag and deadline.
constexpr milliseconds kSlice{50};

bool MakeRaw(int fd) {
    termios t{};
    if (::tcgetattr(fd, &t) != 0)
        return false;
    ::cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    return ::tcsetattr(fd, TCSANOW, &t) == 0;
}

// The events of fd that are there now (0 when none or fd < 0).
short Events(int fd, short wanted) {
    pollfd p{fd, wanted, 0};
    return fd >= 0 && ::poll(&p, 1, 0) > 0 ? p.revents : 0;
}

// Waits at most `slice` until fnReady() holds. On the UI thread the wait
// serves the hand-over; elsewhere it polls fd for `events`, or looks at
// fnReady() every few milliseconds when there is no event to wait for.
void WaitSlice(const std::function<bool()>& fnReady, int fd, short events, milliseconds slice) {
    if (UiHandOver().IsUiThread()) {
        UiHandOver().WaitServing(fnReady, slice);
        return;
    }
    if (fd >= 0 && events != 0) {
        pollfd p{fd, events, 0};
        ::poll(&p, 1, static_cast<int>(slice.count()));
        return;
    }
    const auto end = Clock::now() + slice;
    while (!fnReady() && Clock::now() < end)
        std::this_thread::sleep_for(milliseconds(2));
}

// Bytes queued for reading on a terminal; -1 when unknown.
int Queued(int fd) {
    int n = 0;
    return fd >= 0 && ::ioctl(fd, FIONREAD, &n) == 0 ? n : -1;
}

} // namespace

CPtyLine::CPtyLine(Options options) {
    char name[256] = {};
    if (::openpty(&m_fd, &m_subordinate, name, nullptr, nullptr) != 0)
        throw std::runtime_error(std::string("cannot make a pseudo-terminal: ") +
                                 std::strerror(errno));
    m_strPath = name;
    ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) | O_NONBLOCK);
    ::fcntl(m_fd, F_SETFD, FD_CLOEXEC);
    ::fcntl(m_subordinate, F_SETFD, FD_CLOEXEC);
    // The settings stay with the line for every program that opens it.
    if (options.bRaw && !MakeRaw(m_subordinate)) {
        const std::string why = std::strerror(errno);
        ::close(m_fd);
        ::close(m_subordinate);
        throw std::runtime_error("cannot set the pseudo-terminal " + m_strPath + " raw: " + why);
    }
    if (!options.bHoldSubordinate) {
        ::close(m_subordinate);
        m_subordinate = -1;
    }
}

CPtyLine::CPtyLine(int fd, std::string strPath)
    : m_fd(fd), m_bPrimary(false), m_strPath(std::move(strPath)) {}

std::unique_ptr<CPtyLine> CPtyLine::Attach(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    if (!MakeRaw(fd) || ::tcflush(fd, TCIOFLUSH) != 0) {
        const int err = errno;
        ::close(fd);
        errno = err;
        return nullptr;
    }
    return std::unique_ptr<CPtyLine>(new CPtyLine(fd, path));
}

CPtyLine::~CPtyLine() {
    HangUp();
    if (m_subordinate >= 0)
        ::close(m_subordinate);
}

void CPtyLine::HangUp() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool CPtyLine::Write(const std::uint8_t* p, std::size_t n, const std::atomic<bool>* stop) {
    const auto deadline = Clock::now() + kPtyDeadline;
    std::size_t done = 0;
    while (done < n) {
        if (m_fd < 0 || (stop && stop->load()))
            return false;
        const ssize_t w = ::write(m_fd, p + done, n - done);
        if (w > 0) {
            done += static_cast<std::size_t>(w);
            continue;
        }
        if (w < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        // A released line that reports a hang-up has lost its reader.
        if (m_bPrimary && m_subordinate < 0 && (Events(m_fd, POLLOUT) & POLLHUP))
            return false;
        if (Clock::now() >= deadline)
            return false;
        WaitSlice([this] { return (Events(m_fd, POLLOUT) & POLLOUT) != 0; }, m_fd, POLLOUT | POLLIN,
                  kSlice);
        Collect();
    }
    return true;
}

bool CPtyLine::WriteInPieces(const Bytes& data, const std::vector<std::size_t>& sizes) {
    std::size_t pos = 0;
    for (std::size_t k = 0; pos < data.size(); ++k) {
        const std::size_t n = std::min(sizes[k % sizes.size()], data.size() - pos);
        if (!Write(data.data() + pos, n) || !WaitUntilRead())
            return false;
        pos += n;
    }
    return true;
}

int CPtyLine::Unread() const {
    return Queued(m_subordinate);
}

bool CPtyLine::WaitUntilRead(milliseconds within) {
    // A released line is looked at through a descriptor of the test's own.
    int fd = m_subordinate;
    if (fd < 0 && m_bPrimary)
        fd = ::open(m_strPath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    const auto deadline = Clock::now() + within;
    // Bytes written to the primary side reach the subordinate's queue a
    // moment later (the kernel hands them on from a work queue), so an empty
    // queue right after a write may mean "not there yet": it counts as read
    // once it has stayed empty for a few milliseconds.
    constexpr milliseconds kSettle{5};
    auto emptySince = Clock::now();
    bool bEmpty = false;
    while (Clock::now() < deadline) {
        const int q = Queued(fd);
        if (q != 0) {
            bEmpty = false;
            if (q < 0)
                break;
            WaitSlice([fd] { return Queued(fd) <= 0; }, -1, 0, kSlice);
            continue;
        }
        if (!bEmpty) {
            bEmpty = true;
            emptySince = Clock::now();
        } else if (Clock::now() - emptySince >= kSettle) {
            break;
        }
        WaitSlice([] { return false; }, -1, 0, milliseconds(1));
    }
    const bool read = Queued(fd) == 0;
    if (fd != m_subordinate && fd >= 0)
        ::close(fd);
    return read;
}

bool CPtyLine::WaitForReader(milliseconds within) {
    // Without any reader the primary side reports a hang-up.
    auto hasReader = [this] { return !(Events(m_fd, POLLOUT) & POLLHUP); };
    const auto deadline = Clock::now() + within;
    while (!hasReader()) {
        if (Clock::now() >= deadline)
            return false;
        WaitSlice(hasReader, -1, 0, milliseconds(10));
    }
    return true;
}

bool CPtyLine::Collect() {
    std::uint8_t buf[8192];
    while (m_fd >= 0) {
        const ssize_t n = ::read(m_fd, buf, sizeof buf);
        if (n > 0) {
            if (m_fnSink)
                m_fnSink(buf, static_cast<std::size_t>(n));
            else
                m_received.append(reinterpret_cast<const char*>(buf), static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        // EAGAIN: nothing more now; 0 or EIO: the other side hung up.
        return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
    return false;
}

const std::string& CPtyLine::Received() {
    Collect();
    return m_received;
}

bool CPtyLine::ReadUntil(const std::function<bool()>& fnDone, milliseconds within) {
    const auto deadline = Clock::now() + within;
    for (;;) {
        if (fnDone())
            return true;
        if (!Collect())
            return fnDone();
        if (fnDone())
            return true;
        if (Clock::now() >= deadline)
            return false;
        WaitSlice([this] { return (Events(m_fd, POLLIN) & (POLLIN | POLLHUP)) != 0; }, m_fd, POLLIN,
                  kSlice);
    }
}

} // namespace testsupport
