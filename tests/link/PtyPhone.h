// The phone's end of a pseudo-terminal, for driving the serial driver in
// tests. The driver opens the subordinate side by its path; the test reads
// and writes the other side. Waits keep serving the UI hand-over, so a
// monitor thread blocked in a delivery can always go on.
#pragma once

#include "platform/HandOver.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <string>
#include <sys/ioctl.h>
#include <unistd.h>
#include <vector>

namespace testsupport {

using namespace std::chrono_literals;

class CPtyPhone {
public:
    CPtyPhone() {
        char name[256] = {};
        if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0)
            throw std::runtime_error("openpty failed");
        m_path = name;
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
        ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
        ::fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    }
    ~CPtyPhone() {
        Unplug();
        if (m_slave >= 0)
            ::close(m_slave);
    }
    CPtyPhone(const CPtyPhone&) = delete;
    CPtyPhone& operator=(const CPtyPhone&) = delete;

    const std::string& Path() const { return m_path; }
    // A descriptor of the driver's side, kept open by the test: it shows the
    // line settings and how many received bytes the driver has not read yet.
    int SlaveFd() const { return m_slave; }

    // Bytes the phone sent that the driver has not read yet.
    int Unread() const {
        int n = 0;
        return ::ioctl(m_slave, FIONREAD, &n) == 0 ? n : -1;
    }

    // Writes all bytes, serving the hand-over while the line is full.
    bool Write(const std::vector<std::uint8_t>& data,
               std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
        std::size_t sent = 0;
        while (sent < data.size()) {
            const ssize_t n = ::write(m_master, data.data() + sent, data.size() - sent);
            if (n > 0) {
                sent += static_cast<std::size_t>(n);
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EINTR)
                return false;
            const bool ready = UiHandOver().WaitServing(
                [this] {
                    pollfd p{m_master, POLLOUT, 0};
                    return ::poll(&p, 1, 0) > 0;
                },
                timeout);
            if (!ready)
                return false;
        }
        return true;
    }

    // Writes in pieces and waits after each until the driver has read it, so
    // every piece reaches the driver in a read of its own.
    bool WriteInPieces(const std::vector<std::uint8_t>& data,
                       const std::vector<std::size_t>& sizes) {
        std::size_t pos = 0;
        std::size_t k = 0;
        while (pos < data.size()) {
            const std::size_t n = std::min(sizes[k++ % sizes.size()], data.size() - pos);
            if (!Write(std::vector<std::uint8_t>(data.begin() + pos, data.begin() + pos + n)))
                return false;
            pos += n;
            if (!UiHandOver().WaitServing([this] { return Unread() == 0; }, 20s))
                return false;
        }
        return true;
    }

    // What the driver sent to the phone and is there to read now.
    std::vector<std::uint8_t> ReadNow() {
        std::vector<std::uint8_t> out;
        std::uint8_t buf[512];
        for (;;) {
            const ssize_t n = ::read(m_master, buf, sizeof buf);
            if (n <= 0)
                break;
            out.insert(out.end(), buf, buf + n);
        }
        return out;
    }

    // The phone goes away: its side of the line closes.
    void Unplug() {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }

private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_path;
};

} // namespace testsupport
