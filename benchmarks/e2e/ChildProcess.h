// A program the end-to-end measurement starts, watches and ends.
#pragma once

#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

class CChildProcess {
public:
    CChildProcess() = default;
    ~CChildProcess();
    CChildProcess(const CChildProcess&) = delete;
    CChildProcess& operator=(const CChildProcess&) = delete;

    // Starts argv[0] with the arguments; extra environment settings are
    // "NAME=value". With bCaptureStdout the program's standard output can be
    // read line by line with ReadLine. Standard error goes to /dev/null unless
    // bKeepStderr is set.
    bool Start(const std::vector<std::string>& argv, const std::vector<std::string>& env = {},
               bool bCaptureStdout = false, bool bKeepStderr = false);
    // One line of the captured standard output, waiting at most nTimeoutMs.
    bool ReadLine(std::string& line, int nTimeoutMs);

    // CPU time (user + system, all threads) used so far, in nanoseconds,
    // and the resident size in KiB; -1 when unknown.
    std::int64_t CpuNs() const;
    long ResidentKiB() const;

    // Waits for the end (at most nTimeoutMs, then SIGKILL); returns the exit
    // status, or -1 when it had to be killed or died of a signal.
    int Wait(int nTimeoutMs);
    // Asks it to end (SIGTERM), then waits as Wait does.
    int Stop(int nTimeoutMs);
    // CPU time of the ended program from the kernel's account, in ns.
    std::int64_t FinalCpuNs() const { return m_nFinalCpuNs; }

    pid_t Pid() const { return m_pid; }

private:
    pid_t m_pid = -1;
    int m_outFd = -1;
    std::string m_pending;
    std::int64_t m_nFinalCpuNs = -1;
};
