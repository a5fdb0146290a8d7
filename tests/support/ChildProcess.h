// Runs a program as a user would, for the tests and the end-to-end
// measurement: standard input from /dev/null, standard output and error each
// on a pipe this process reads (or thrown away), its end waited for with a
// deadline, its CPU time and resident size readable while it runs.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace testsupport {

// Generous: the waits below end on conditions, not on time.
constexpr std::chrono::milliseconds kChildDeadline{60000};

// A program of the build: LUMETTO_BIN_DIR/strProgram (the current folder when
// LUMETTO_BIN_DIR is not set).
std::string BinPath(const std::string& strProgram);

// This process's environment with some settings changed (null: removed).
std::vector<std::string>
Environment(const std::vector<std::pair<std::string, const char*>>& changes);

class CChildProcess {
public:
    enum class Output {
        Pipe,    // read by this process: ReadLine, WaitForError, Stdout, Stderr
        Discard, // /dev/null, for a program that writes much nobody reads
    };
    struct Streams {
        Output out; // standard output
        Output err; // standard error
    };

    // Starts strProgram with args. A name without '/' is a program of the
    // build (BinPath). environment: "NAME=value" entries, empty for this
    // process's own. A program that cannot start ends at once with status
    // 127 and says why on Stderr().
    CChildProcess(const std::string& strProgram, const std::vector<std::string>& args,
                  std::vector<std::string> environment = {},
                  Streams streams = {Output::Pipe, Output::Pipe});
    // Kills the program if it still runs.
    ~CChildProcess();
    CChildProcess(const CChildProcess&) = delete;
    CChildProcess& operator=(const CChildProcess&) = delete;

    // The next line of standard output, or "" when none came in time.
    std::string ReadLine(std::chrono::milliseconds within = kChildDeadline);
    // Waits until standard error holds `text`, at most `within`.
    bool WaitForError(const std::string& text, std::chrono::milliseconds within = kChildDeadline);

    // Waits for the end: the exit status, 128 + N after signal N, or -1 when
    // it did not end in time (it is killed then).
    int Wait(std::chrono::milliseconds within = kChildDeadline);
    // Asks it to end (SIGTERM), then waits as Wait does.
    int Stop(std::chrono::milliseconds within = kChildDeadline);
    void Signal(int sig);
    // Whether the program has ended; it stays for Wait, which still gets its
    // status and its account.
    bool Ended() const;

    const std::string& Stdout() const { return m_stdout; }
    const std::string& Stderr() const { return m_stderr; }
    pid_t Pid() const { return m_pid; }

    // CPU time (user + system, all threads) used so far in nanoseconds, and
    // the resident size in KiB; -1 when unknown.
    std::int64_t CpuNs() const;
    long ResidentKiB() const;
    // CPU time of the ended program from the kernel's account, in ns.
    std::int64_t FinalCpuNs() const { return m_nFinalCpuNs; }
    // The largest resident size the ended program reached, in KiB.
    long FinalPeakKiB() const { return m_nFinalPeakKiB; }

private:
    // Reads whatever the pipes hold, waiting at most timeoutMs; false once
    // both are closed.
    bool Pump(int timeoutMs);

    pid_t m_pid = -1;
    bool m_bRunning = false;
    int m_out = -1, m_err = -1; // -1 when not a pipe, or closed
    std::string m_stdout, m_stderr;
    int m_nStatus = -1;
    std::int64_t m_nFinalCpuNs = -1;
    long m_nFinalPeakKiB = -1;
};

} // namespace testsupport
