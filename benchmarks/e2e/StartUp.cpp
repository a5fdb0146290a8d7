#include "benchmarks/e2e/StartUp.h"

#include "benchmarks/TableRow.h"
#include "benchmarks/e2e/Callgrind.h"
#include "tests/support/ChildProcess.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

using bench::Fmt;
using bench::Row;
using std::chrono::milliseconds;
using testsupport::CChildProcess;
using Clock = std::chrono::steady_clock;

constexpr CChildProcess::Streams kQuiet = {CChildProcess::Output::Discard,
                                           CChildProcess::Output::Discard};

struct Sample {
    double wallMs = 0, cpuMs = 0, peakMiB = 0;
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Waits until the program has ended, at most `within`: its end is seen
// within a millisecond.
bool WaitForEnd(const CChildProcess& app, milliseconds within) {
    const auto end = Clock::now() + within;
    while (!app.Ended()) {
        if (Clock::now() >= end)
            return false;
        std::this_thread::sleep_for(milliseconds(1));
    }
    return true;
}

// lumetto --version from its start to its end.
bool VersionRun(const StartUpOptions& opt, Sample& s) {
    const auto t0 = Clock::now();
    CChildProcess app(opt.lumetto, {"--version"}, opt.environment, kQuiet);
    if (!WaitForEnd(app, milliseconds(20000)))
        return false;
    const auto t1 = Clock::now();
    if (app.Wait(milliseconds(5000)) != 0)
        return false;
    s.wallMs = std::chrono::duration<double, std::milli>(t1 - t0).count();
    s.cpuMs = app.FinalCpuNs() / 1e6;
    s.peakMiB = app.FinalPeakKiB() / 1024.0;
    return true;
}

// lumetto --demo --no-window for nLimitS seconds: wall and CPU time up to
// its first picture from its frame trace (the same clocks), the peak
// resident size over the whole run. False when no picture came in time.
bool DemoRun(const StartUpOptions& opt, int nLimitS, Sample& s) {
    std::remove(opt.trace.c_str());
    const auto t0 = Clock::now();
    CChildProcess app(opt.lumetto,
                      {"--demo", "--no-window", "--time-limit", std::to_string(nLimitS),
                       "--frame-trace", opt.trace},
                      opt.environment, kQuiet);
    if (app.Wait(milliseconds(nLimitS * 1000 + 30000)) < 0)
        return false;
    std::ifstream in(opt.trace);
    long long n = 0, t = 0, cpu = 0;
    if (!(in >> n >> t >> cpu))
        return false;
    const long long start =
        std::chrono::duration_cast<std::chrono::nanoseconds>(t0.time_since_epoch()).count();
    s.wallMs = (t - start) / 1e6;
    s.cpuMs = cpu / 1e6;
    s.peakMiB = app.FinalPeakKiB() / 1024.0;
    return true;
}

// The shared libraries the program loads, as ldd lists them (one a line).
int LibraryCount(const std::string& lumetto) {
    CChildProcess app(lumetto, {}, testsupport::Environment({{"LD_TRACE_LOADED_OBJECTS", "1"}}),
                      {CChildProcess::Output::Pipe, CChildProcess::Output::Discard});
    if (app.Wait(milliseconds(20000)) != 0)
        return -1;
    std::istringstream lines(app.Stdout());
    int n = 0;
    for (std::string line; std::getline(lines, line);)
        n += line.find_first_not_of(" \t") != std::string::npos;
    return n;
}

// The instructions lumetto --version runs, counted under callgrind: the same
// on a busy machine. -1 and why when they could not be counted.
long long VersionInstructions(const StartUpOptions& opt, std::string& why) {
    const std::string log = opt.trace + ".callgrind";
    std::vector<std::string> args = CallgrindCommand(log);
    const std::string valgrind = args.front();
    args.erase(args.begin());
    args.push_back(opt.lumetto);
    args.push_back("--version");
    CChildProcess app(valgrind, args, opt.environment, kQuiet);
    app.Wait(milliseconds(300000));
    return CallgrindCount(log, why);
}

// Three rows from the runs' medians: wall and CPU time of `what`, and the
// peak resident size of `peakWhat`. A FAILED row when fewer than half of the
// runs worked.
void Rows(const std::string& section, const std::string& what, const std::vector<Sample>& samples,
          int nRuns, const std::string& peakWhat, const std::string& peakTarget) {
    if (samples.size() * 2 < std::size_t(nRuns)) {
        Row(section, what,
            "FAILED (" + std::to_string(samples.size()) + " of " + std::to_string(nRuns) +
                " runs worked)");
        return;
    }
    std::vector<double> wall, cpu, peak;
    for (const Sample& s : samples) {
        wall.push_back(s.wallMs);
        cpu.push_back(s.cpuMs);
        peak.push_back(s.peakMiB);
    }
    const std::string median = " (median of " + std::to_string(samples.size()) + ")";
    Row(section, what + " wall ms" + median, Fmt(Median(wall), 1));
    Row(section, what + " CPU ms" + median, Fmt(Median(cpu), 1));
    Row(section, peakWhat + " peak resident MiB" + median, Fmt(Median(peak), 1), "", "",
        peakTarget);
}

} // namespace

void StartUpRows(const StartUpOptions& opt) {
    const std::string section = "start-up " + opt.label;
    const int libs = LibraryCount(opt.lumetto);
    Row(section, "shared libraries loaded (as ldd lists them)",
        libs < 0 ? "FAILED" : std::to_string(libs), "", "", "<= 60");

    std::vector<Sample> samples;
    for (int i = 0; i < opt.runs; ++i)
        if (Sample s; VersionRun(opt, s))
            samples.push_back(s);
    Rows(section, "--version", samples, opt.runs, "--version", "< 19.1 (20 MB)");
    std::string why;
    const long long instructions = VersionInstructions(opt, why);
    Row(section, "--version user-space instructions, millions (callgrind)",
        instructions < 0 ? "FAILED (" + why + ")" : Fmt(double(instructions) / 1e6, 1));

    // A second is ample for the first picture; a busy machine gets longer.
    samples.clear();
    int limitS = 1;
    for (int i = 0; i < opt.runs; ++i) {
        Sample s;
        bool ok = DemoRun(opt, limitS, s);
        for (; !ok && limitS < 8; ok = DemoRun(opt, limitS, s))
            limitS *= 2;
        if (ok)
            samples.push_back(s);
    }
    std::remove(opt.trace.c_str());
    Rows(section, "--demo --no-window to its first picture", samples, opt.runs,
         "--demo --no-window, run of " + std::to_string(limitS) + " s,", "");
}
