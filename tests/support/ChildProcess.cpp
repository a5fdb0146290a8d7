#include "tests/support/ChildProcess.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace testsupport {

namespace {

using Clock = std::chrono::steady_clock;

int MillisecondsUntil(Clock::time_point t) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(t - Clock::now()).count();
    return static_cast<int>(std::clamp<std::int64_t>(left, 0, 200));
}

void CloseFd(int& fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

} // namespace

std::string BinPath(const std::string& strProgram) {
    const char* dir = std::getenv("LUMETTO_BIN_DIR");
    return std::string(dir ? dir : ".") + "/" + strProgram;
}

std::vector<std::string>
Environment(const std::vector<std::pair<std::string, const char*>>& changes) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        if (std::none_of(changes.begin(), changes.end(),
                         [&](const auto& c) { return c.first == name; }))
            env.push_back(entry);
    }
    for (const auto& [name, value] : changes)
        if (value)
            env.push_back(name + "=" + value);
    return env;
}

CChildProcess::CChildProcess(const std::string& strProgram, const std::vector<std::string>& args,
                             std::vector<std::string> environment, Streams streams) {
    std::vector<std::string> all{strProgram.find('/') == std::string::npos ? BinPath(strProgram)
                                                                           : strProgram};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& e : environment)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    int pipes[2][2] = {{-1, -1}, {-1, -1}};
    const Output outputs[2] = {streams.out, streams.err};
    for (int i = 0; i < 2; ++i) {
        const int target = i == 0 ? STDOUT_FILENO : STDERR_FILENO;
        if (outputs[i] == Output::Pipe && ::pipe2(pipes[i], O_CLOEXEC) == 0)
            posix_spawn_file_actions_adddup2(&fa, pipes[i][1], target);
        else
            posix_spawn_file_actions_addopen(&fa, target, "/dev/null", O_WRONLY, 0);
    }
    const int err = ::posix_spawn(&m_pid, argv[0], &fa, nullptr, argv.data(),
                                  environment.empty() ? environ : envp.data());
    posix_spawn_file_actions_destroy(&fa);
    CloseFd(pipes[0][1]);
    CloseFd(pipes[1][1]);
    m_out = pipes[0][0];
    m_err = pipes[1][0];
    if (err != 0) {
        m_pid = -1;
        m_nStatus = 127;
        m_stderr = std::string("cannot start ") + argv[0] + ": " + std::strerror(err) + "\n";
        CloseFd(m_out);
        CloseFd(m_err);
        return;
    }
    m_bRunning = true;
}

CChildProcess::~CChildProcess() {
    if (m_bRunning) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
    CloseFd(m_out);
    CloseFd(m_err);
}

bool CChildProcess::Pump(int timeoutMs) {
    pollfd fds[2] = {{m_out, POLLIN, 0}, {m_err, POLLIN, 0}};
    if (m_out < 0 && m_err < 0)
        return false;
    if (::poll(fds, 2, timeoutMs) <= 0)
        return true;
    char buf[4096];
    for (int i = 0; i < 2; ++i) {
        if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
            continue;
        const ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
        if (n > 0)
            (i == 0 ? m_stdout : m_stderr).append(buf, static_cast<std::size_t>(n));
        else if (n == 0 || errno != EINTR)
            CloseFd(i == 0 ? m_out : m_err);
    }
    return true;
}

std::string CChildProcess::ReadLine(std::chrono::milliseconds within) {
    const auto end = Clock::now() + within;
    for (;;) {
        const auto nl = m_stdout.find('\n');
        if (nl != std::string::npos) {
            std::string line = m_stdout.substr(0, nl);
            m_stdout.erase(0, nl + 1);
            return line;
        }
        if (m_out < 0 || Clock::now() >= end || !Pump(MillisecondsUntil(end)))
            return "";
    }
}

bool CChildProcess::WaitForError(const std::string& text, std::chrono::milliseconds within) {
    const auto end = Clock::now() + within;
    while (m_stderr.find(text) == std::string::npos) {
        if (Clock::now() >= end || !Pump(MillisecondsUntil(end)))
            return m_stderr.find(text) != std::string::npos;
    }
    return true;
}

int CChildProcess::Wait(std::chrono::milliseconds within) {
    const auto end = Clock::now() + within;
    int status = 0;
    rusage ru{};
    while (m_bRunning) {
        const pid_t r = ::wait4(m_pid, &status, WNOHANG, &ru);
        if (r == m_pid) {
            m_bRunning = false;
            m_nStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        } else if (r < 0 && errno != EINTR) {
            m_bRunning = false; // not ours to wait for (any more)
        } else if (Clock::now() >= end) {
            ::kill(m_pid, SIGKILL);
            ::wait4(m_pid, &status, 0, &ru);
            m_bRunning = false;
        } else if (!Pump(5)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    if (m_nFinalCpuNs < 0) {
        auto ns = [](const timeval& t) {
            return std::int64_t(t.tv_sec) * 1000000000 + std::int64_t(t.tv_usec) * 1000;
        };
        m_nFinalCpuNs = ns(ru.ru_utime) + ns(ru.ru_stime);
        m_nFinalPeakKiB = ru.ru_maxrss;
    }
    // What it wrote last, up to the end of its output.
    const auto drained = Clock::now() + std::chrono::seconds(5);
    while (Pump(10) && Clock::now() < drained) {
    }
    return m_nStatus;
}

int CChildProcess::Stop(std::chrono::milliseconds within) {
    Signal(SIGTERM);
    return Wait(within);
}

void CChildProcess::Signal(int sig) {
    if (m_bRunning)
        ::kill(m_pid, sig);
}

bool CChildProcess::Ended() const {
    if (!m_bRunning)
        return true;
    siginfo_t info{};
    return ::waitid(P_PID, static_cast<id_t>(m_pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0 ||
           info.si_pid == m_pid;
}

std::int64_t CChildProcess::CpuNs() const {
    std::ifstream in("/proc/" + std::to_string(m_pid) + "/stat");
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
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
    return (utime + stime) * (1000000000LL / ::sysconf(_SC_CLK_TCK));
}

long CChildProcess::ResidentKiB() const {
    std::ifstream in("/proc/" + std::to_string(m_pid) + "/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

} // namespace testsupport
