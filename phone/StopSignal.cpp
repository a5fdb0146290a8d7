#include "phone/StopSignal.h"

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

std::atomic<int> g_nStops{0};
int g_wakePipe[2] = {-1, -1};

void OnSignal(int) {
    g_nStops.fetch_add(1);
    if (g_wakePipe[1] >= 0) {
        const char c = 's';
        [[maybe_unused]] ssize_t n = write(g_wakePipe[1], &c, 1);
    }
}

} // namespace

bool CStopSignal::CreateWakePipe() {
    return g_wakePipe[0] >= 0 || pipe2(g_wakePipe, O_CLOEXEC | O_NONBLOCK) == 0;
}

bool CStopSignal::Install() {
    if (!CreateWakePipe())
        return false;
    struct sigaction sa = {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0;
    return sigaction(SIGINT, &sa, nullptr) == 0 && sigaction(SIGTERM, &sa, nullptr) == 0;
}

int CStopSignal::WakeFd() {
    return g_wakePipe[0];
}

int CStopSignal::Count() {
    return g_nStops.load();
}

void CStopSignal::Raise() {
    OnSignal(0);
}

void CStopSignal::Reset() {
    g_nStops.store(0);
    if (g_wakePipe[0] >= 0) {
        char buf[64];
        while (read(g_wakePipe[0], buf, sizeof buf) > 0) {
        }
    }
}
