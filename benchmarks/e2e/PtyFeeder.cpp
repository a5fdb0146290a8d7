#include "benchmarks/e2e/PtyFeeder.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

std::vector<Frame> SplitFrames(const std::vector<std::uint8_t>& s) {
    std::vector<Frame> frames;
    static const std::uint8_t kStx[8] = {'s', 't', 'x', '_', 'd', 'a', 't', 'a'};
    for (std::size_t i = 0; i + 12 <= s.size();) {
        if (std::memcmp(&s[i], kStx, 8) != 0) {
            ++i;
            continue;
        }
        const std::uint32_t t =
            s[i + 8] | (s[i + 9] << 8) | (s[i + 10] << 16) | (std::uint32_t(s[i + 11]) << 24);
        if (t < 20 || i + t > s.size()) {
            ++i;
            continue;
        }
        frames.emplace_back(s.begin() + std::ptrdiff_t(i), s.begin() + std::ptrdiff_t(i + t));
        i += t;
    }
    return frames;
}

CPtyFeeder::~CPtyFeeder() {
    Close();
}

bool CPtyFeeder::Open() {
    int primary = -1, subordinate = -1;
    if (openpty(&primary, &subordinate, nullptr, nullptr, nullptr) != 0)
        return false;
    char name[256] = {};
    ttyname_r(subordinate, name, sizeof name);
    termios t{};
    tcgetattr(subordinate, &t);
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    tcsetattr(subordinate, TCSANOW, &t);
    close(subordinate); // the raw settings stay for the reader that opens it
    fcntl(primary, F_SETFD, FD_CLOEXEC);
    m_fd = primary;
    m_strPath = name;
    return true;
}

bool CPtyFeeder::WaitForReader(int nTimeoutMs, int nSettleMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(nTimeoutMs);
    while (Clock::now() < deadline) {
        pollfd p{m_fd, POLLOUT, 0};
        // Without any reader the primary side reports a hang-up.
        if (poll(&p, 1, 0) >= 0 && !(p.revents & POLLHUP)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(nSettleMs));
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

bool CPtyFeeder::WriteAll(const std::uint8_t* p, std::size_t n) {
    while (n > 0) {
        const ssize_t w = write(m_fd, p, n);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += w;
        n -= std::size_t(w);
    }
    return true;
}

bool CPtyFeeder::Send(const std::vector<const Frame*>& frames, long nGapUs,
                      std::vector<Clock::time_point>& aDone) {
    aDone.clear();
    aDone.reserve(frames.size());
    const auto start = Clock::now();
    for (std::size_t i = 0; i < frames.size(); ++i) {
        if (nGapUs > 0)
            std::this_thread::sleep_until(start + std::chrono::microseconds(nGapUs * long(i)));
        if (!WriteAll(frames[i]->data(), frames[i]->size()))
            return false;
        aDone.push_back(Clock::now());
    }
    return true;
}

void CPtyFeeder::Drain(int nTimeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(nTimeoutMs);
    const int fd = open(m_strPath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return;
    int queued = 1;
    while (Clock::now() < deadline && ioctl(fd, FIONREAD, &queued) == 0 && queued > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    close(fd);
}

void CPtyFeeder::Close() {
    if (m_fd >= 0)
        close(m_fd);
    m_fd = -1;
}
