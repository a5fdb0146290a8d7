#include "benchmarks/e2e/ChildProcess.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

CChildProcess::~CChildProcess() {
    if (m_pid > 0)
        Stop(2000);
    if (m_outFd >= 0)
        close(m_outFd);
}

bool CChildProcess::Start(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                          bool bCaptureStdout, bool bKeepStderr) {
    int pipeFds[2] = {-1, -1};
    if (bCaptureStdout && pipe2(pipeFds, O_CLOEXEC) != 0)
        return false;
    std::vector<std::string> envStore;
    for (char** e = environ; *e; ++e)
        envStore.emplace_back(*e);
    for (const std::string& e : env)
        envStore.push_back(e);
    std::vector<char*> args, envp;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    for (const std::string& e : envStore)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);

    m_pid = fork();
    if (m_pid < 0)
        return false;
    if (m_pid == 0) {
        if (bCaptureStdout)
            dup2(pipeFds[1], STDOUT_FILENO);
        const int devNull = open("/dev/null", O_RDWR);
        if (!bCaptureStdout)
            dup2(devNull, STDOUT_FILENO);
        if (!bKeepStderr)
            dup2(devNull, STDERR_FILENO);
        dup2(devNull, STDIN_FILENO);
        execve(args[0], args.data(), envp.data());
        _exit(127);
    }
    if (bCaptureStdout) {
        close(pipeFds[1]);
        m_outFd = pipeFds[0];
    }
    return true;
}

bool CChildProcess::ReadLine(std::string& line, int nTimeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(nTimeoutMs);
    for (;;) {
        if (const auto nl = m_pending.find('\n'); nl != std::string::npos) {
            line = m_pending.substr(0, nl);
            m_pending.erase(0, nl + 1);
            return true;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (m_outFd < 0 || left.count() <= 0)
            return false;
        pollfd p{m_outFd, POLLIN, 0};
        if (poll(&p, 1, int(left.count())) <= 0)
            continue;
        char buf[512];
        const ssize_t n = read(m_outFd, buf, sizeof buf);
        if (n <= 0)
            return false;
        m_pending.append(buf, std::size_t(n));
    }
}

std::int64_t CChildProcess::CpuNs() const {
    std::ifstream in("/proc/" + std::to_string(m_pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');
    if (close == std::string::npos)
        return -1;
    std::istringstream rest(text.substr(close + 2));
    std::string field;
    long long utime = 0, stime = 0;
    // Fields after the name: state is field 3; utime and stime are 14 and 15.
    for (int i = 3; i <= 15 && rest >> field; ++i) {
        if (i == 14)
            utime = std::stoll(field);
        if (i == 15)
            stime = std::stoll(field);
    }
    return (utime + stime) * (1000000000LL / sysconf(_SC_CLK_TCK));
}

long CChildProcess::ResidentKiB() const {
    std::ifstream in("/proc/" + std::to_string(m_pid) + "/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

int CChildProcess::Wait(int nTimeoutMs) {
    if (m_pid <= 0)
        return -1;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(nTimeoutMs);
    int status = 0;
    rusage ru{};
    for (;;) {
        const pid_t r = wait4(m_pid, &status, WNOHANG, &ru);
        if (r == m_pid)
            break;
        if (r < 0 && errno != EINTR)
            return -1;
        if (std::chrono::steady_clock::now() >= deadline) {
            kill(m_pid, SIGKILL);
            wait4(m_pid, &status, 0, &ru);
            m_pid = -1;
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    m_pid = -1;
    auto ns = [](const timeval& t) {
        return std::int64_t(t.tv_sec) * 1000000000 + t.tv_usec * 1000;
    };
    m_nFinalCpuNs = ns(ru.ru_utime) + ns(ru.ru_stime);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int CChildProcess::Stop(int nTimeoutMs) {
    if (m_pid > 0)
        kill(m_pid, SIGTERM);
    return Wait(nTimeoutMs);
}
