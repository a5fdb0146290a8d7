#include "platform/Console.h"

#include "platform/Event.h"
#include "platform/SystemError.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <mutex>
#include <sys/stat.h>

namespace {

CEvent* g_pStopEvent = nullptr;
std::atomic<int> g_nStops{0}; // lock-free: safe in a signal handler

void OnStopSignal(int) {
    g_nStops.fetch_add(1);
    // CEvent::Set is one write(2) on an eventfd: safe in a signal handler.
    if (g_pStopEvent != nullptr)
        g_pStopEvent->Set();
}

} // namespace

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

void UseBinaryStandardStreams() {}

std::FILE* OpenForReading(const std::string& strPath) {
    return std::fopen(strPath.c_str(), "rbe");
}

bool MakeFolder(const std::string& strPath, std::string& strError) {
    struct stat st {};
    if (::stat(strPath.c_str(), &st) == 0 || ::mkdir(strPath.c_str(), 0777) == 0)
        return true;
    strError = SystemErrorText(errno);
    return false;
}

CEvent* InstallConsoleStop(bool bInterruptCalls) {
    static std::once_flag once;
    std::call_once(once, [] {
        auto* pEvent = new CEvent; // lives as long as the process
        if (pEvent->IsValid())
            g_pStopEvent = pEvent;
    });
    if (g_pStopEvent == nullptr)
        return nullptr;
    // SA_RESTART: other calls go on; a wait (poll) still returns with EINTR.
    struct sigaction sa = {};
    sa.sa_handler = OnStopSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = bInterruptCalls ? 0 : SA_RESTART;
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);
    return g_pStopEvent;
}

int ConsoleStopCount() {
    return g_nStops.load();
}

void RemoveConsoleStop() {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}
