// Runs one of the project's programs as a user would, with its standard
// output and error on pipes.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace testsupport {

// Generous: the waits below wait on conditions, not on time.
constexpr auto kChildDeadline = std::chrono::seconds(60);

// A program of the build.
inline std::string BinPath(const std::string& strProgram) {
    const char* dir = std::getenv("LUMETTO_BIN_DIR");
    return std::string(dir ? dir : ".") + "/" + strProgram;
}

// The program running with its standard output and error on pipes.
class CChild {
public:
    // strProgram: a program of the build (in LUMETTO_BIN_DIR), args after it;
    // environment: "NAME=value" entries, empty for this process's own.
    CChild(const std::string& strProgram, const std::vector<std::string>& args,
           std::vector<std::string> environment = {}) {
        int out[2], err[2];
        EXPECT_EQ(pipe2(out, O_CLOEXEC), 0);
        EXPECT_EQ(pipe2(err, O_CLOEXEC), 0);
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, out[1], 1);
        posix_spawn_file_actions_adddup2(&fa, err[1], 2);
        std::vector<std::string> all{BinPath(strProgram)};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : all)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        std::vector<char*> envp;
        for (auto& e : environment)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        m_bStarted = posix_spawn(&m_pid, argv[0], &fa, nullptr, argv.data(),
                                 environment.empty() ? environ : envp.data()) == 0;
        EXPECT_TRUE(m_bStarted) << "cannot start " << argv[0];
        posix_spawn_file_actions_destroy(&fa);
        close(out[1]);
        close(err[1]);
        m_out = out[0];
        m_err = err[0];
    }
    ~CChild() {
        if (m_bStarted && !m_bExited) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        close(m_out);
        close(m_err);
    }

    // The next line of standard output, or "" when none came in time.
    std::string ReadLine() {
        const auto end = std::chrono::steady_clock::now() + kChildDeadline;
        while (std::chrono::steady_clock::now() < end) {
            const auto nl = m_stdout.find('\n');
            if (nl != std::string::npos) {
                std::string line = m_stdout.substr(0, nl);
                m_stdout.erase(0, nl + 1);
                return line;
            }
            if (!Pump(200))
                break;
        }
        return "";
    }

    // Waits until standard error holds `text`, at most `within`.
    bool WaitForError(const std::string& text,
                      std::chrono::steady_clock::duration within = kChildDeadline) {
        const auto end = std::chrono::steady_clock::now() + within;
        while (m_stderr.find(text) == std::string::npos) {
            if (std::chrono::steady_clock::now() >= end || !Pump(200))
                return m_stderr.find(text) != std::string::npos;
        }
        return true;
    }

    // Exit code, or -1 when the program did not end in time.
    int Wait() {
        const auto end = std::chrono::steady_clock::now() + kChildDeadline;
        int status = 0;
        while (std::chrono::steady_clock::now() < end) {
            const pid_t r = waitpid(m_pid, &status, WNOHANG);
            if (r == m_pid) {
                m_bExited = true;
                while (Pump(0)) {
                }
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            Pump(50);
        }
        return -1;
    }

    void Signal(int sig) { kill(m_pid, sig); }
    const std::string& Stderr() const { return m_stderr; }

private:
    // Reads whatever the pipes hold, waiting at most timeoutMs. False once both are closed.
    bool Pump(int timeoutMs) {
        pollfd fds[2] = {{m_out, POLLIN, 0}, {m_err, POLLIN, 0}};
        if (m_outClosed && m_errClosed)
            return false;
        if (poll(fds, 2, timeoutMs) <= 0)
            return true;
        char buf[4096];
        for (int i = 0; i < 2; ++i) {
            if (!(fds[i].revents & (POLLIN | POLLHUP)))
                continue;
            const ssize_t n = read(fds[i].fd, buf, sizeof buf);
            if (n > 0)
                (i == 0 ? m_stdout : m_stderr).append(buf, std::size_t(n));
            else
                (i == 0 ? m_outClosed : m_errClosed) = true;
        }
        return true;
    }

    pid_t m_pid = -1;
    bool m_bStarted = false;
    bool m_bExited = false;
    int m_out = -1, m_err = -1;
    bool m_outClosed = false, m_errClosed = false;
    std::string m_stdout, m_stderr;
};

} // namespace testsupport
