#include "platform/qt/QtSignalWatcher.h"

#include <QSocketNotifier>

#include <atomic>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The write end of the socket pair the handler wakes the UI thread through.
std::atomic<int> g_signalFd{-1};
static_assert(std::atomic<int>::is_always_lock_free, "read in a signal handler");

void OnSignal(int) {
    const char c = 1;
    if (const int fd = g_signalFd.load(); fd >= 0) [[maybe_unused]]
        auto n = ::write(fd, &c, 1);
}

} // namespace

CQtSignalWatcher::CQtSignalWatcher(std::function<void()> onSignal)
    : m_fnOnSignal(std::move(onSignal)) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, m_fds) != 0)
        return;
    g_signalFd = m_fds[1];
    m_pNotifier = std::make_unique<QSocketNotifier>(m_fds[0], QSocketNotifier::Read);
    QObject::connect(m_pNotifier.get(), &QSocketNotifier::activated, m_pNotifier.get(), [this] {
        char buf[16];
        while (::read(m_fds[0], buf, sizeof buf) > 0) {
        }
        m_fnOnSignal();
    });
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);
}

CQtSignalWatcher::~CQtSignalWatcher() {
    if (!m_pNotifier)
        return;
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    g_signalFd = -1;
    m_pNotifier.reset();
    ::close(m_fds[0]);
    ::close(m_fds[1]);
}
