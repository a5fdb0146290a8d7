// bench-e2e: end-to-end measurement of the lumetto program.
//
// Throughput: recorded full-screen frames (two noise pictures in turn, made by
// lumetto-phone) replayed unpaced through a pseudo-terminal into
// `lumetto --no-window`, beside `cat` reading the same stream. Latency: the
// same frames one every few milliseconds, from the last byte written to the
// end of the repaint (lumetto's --frame-trace). Idle: CPU while connected
// without data, and with a phone that changes its clock once a second, with
// and without recording; resident size. Presentation mode (--presentation,
// on the display in DISPLAY): latency, a flood that must still show every
// frame at 60 repaints a second or more, and idle CPU with the clock phone.
// Instructions: the same frames through lumetto under valgrind's callgrind,
// which counts the instructions each frame costs in user space, the same on a
// busy machine as on an idle one. Start-up (StartUp.h): libraries,
// `--version` and the demo's first picture.
//
// Prints one tab-separated row per figure: section, measurement, value,
// yardstick, ratio, target. ./bench collects the rows into its table.
#include "benchmarks/TableRow.h"
#include "benchmarks/e2e/Callgrind.h"
#include "benchmarks/e2e/FrameReplay.h"
#include "benchmarks/e2e/StartUp.h"
#include "link/FrameWriter.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/PtyLine.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

using bench::Fmt;
using bench::Row;
using std::chrono::milliseconds;
using testsupport::CChildProcess;
using testsupport::CPtyLine;

// The measured programs' output goes nowhere: nobody reads it while they run.
constexpr CChildProcess::Streams kQuiet = {CChildProcess::Output::Discard,
                                           CChildProcess::Output::Discard};

// A line that shows when lumetto (or cat) has opened it.
CPtyLine::Options ReplayLine() {
    return {.bRaw = true, .bHoldSubordinate = false};
}

struct Options {
    std::string lumetto;
    std::string phone;
    std::string label = "";
    std::string tmp = "/tmp";
    bool window = false;      // latency only, on the display in DISPLAY
    std::string presentation; // the screen's size, e.g. "1920x1080": presentation only
    bool skipIdle = false;
    std::string only; // "startup" or "instructions": those rows alone
    bool skipInstructions = false;
    int startUpRuns = 10;
    int idleSeconds = 10;
    int frames = 2000;
    int repeat = 3;
};

Options g_opt;

std::string Tmp(const std::string& name) {
    return g_opt.tmp + "/lumetto-e2e-" + std::to_string(getpid()) + "-" + name;
}

void WriteNoisePpm(const std::string& path, int w, int h, unsigned seed) {
    std::mt19937 rng(seed);
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << w << ' ' << h << "\n255\n";
    for (int i = 0; i < w * h * 3; ++i)
        out.put(static_cast<char>(rng()));
}

std::vector<std::uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
}

Frame CloseFrame() {
    Frame f;
    CFrameWriter::AppendCloseNotice(f);
    return f;
}

// A header frame and two full-screen deltas (A -> B, B -> A) from the phone.
bool MakeFrames(bool uiq, int format, std::vector<Frame>& frames) {
    const int w = uiq ? 208 : 176, h = uiq ? 320 : 208;
    const std::string a = Tmp("a.ppm"), b = Tmp("b.ppm"), s = Tmp("stream.bin");
    WriteNoisePpm(a, w, h, 1);
    WriteNoisePpm(b, w, h, 2);
    CChildProcess phone(g_opt.phone,
                        {"--out", s, "--frames", "3", "--rate", "0", "--fps", "0", "--format",
                         std::to_string(format), "--platform", uiq ? "uiq" : "s60", a, b},
                        {}, kQuiet);
    const int rc = phone.Wait(milliseconds(120000));
    frames = SplitFrames(ReadFile(s));
    std::remove(a.c_str());
    std::remove(b.c_str());
    std::remove(s.c_str());
    return rc == 0 && frames.size() == 3;
}

std::vector<const Frame*> Sequence(const std::vector<Frame>& f, int n, const Frame* close) {
    std::vector<const Frame*> seq = {&f[0]};
    for (int i = 1; i < n; ++i)
        seq.push_back(&f[1 + (i - 1) % 2]);
    if (close)
        seq.push_back(close);
    return seq;
}

struct TraceLine {
    long long n, t, cpu;
};

std::vector<TraceLine> ReadTrace(const std::string& path) {
    std::vector<TraceLine> lines;
    std::ifstream in(path);
    TraceLine l{};
    while (in >> l.n >> l.t >> l.cpu)
        lines.push_back(l);
    return lines;
}

long long SteadyNs(ReplayClock::time_point t) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count();
}

std::vector<std::string> LumettoArgs(const std::string& port, const std::string& trace, bool window,
                                     bool zoom, bool fullscreen = false) {
    std::vector<std::string> a = {"--port", port, "--exit-on-close"};
    if (!window)
        a.push_back("--no-window");
    if (zoom)
        a.push_back("--zoom");
    if (fullscreen)
        a.push_back("--fullscreen");
    if (!trace.empty()) {
        a.push_back("--frame-trace");
        a.push_back(trace);
    }
    return a;
}

// The measured program keeps its remembered choices in a folder of its own,
// never the user's.
std::vector<std::string> LumettoEnv(bool window) {
    const std::string config = Tmp("config");
    std::vector<std::pair<std::string, const char*>> changes = {
        {"XDG_CONFIG_HOME", config.c_str()}};
    if (!window)
        changes.emplace_back("QT_QPA_PLATFORM", "offscreen");
    return testsupport::Environment(changes);
}

struct Pass {
    double fps = 0, cpuUs = 0;
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// lumetto on a line that replays seq, with its frame trace: false (and why)
// when it did not take the frames.
struct TracedRun {
    bool window = false, zoom = false, fullscreen = false;
    long nGapUs = 0;                  // between frames; 0: unpaced
    int nSettleMs = 700;              // after lumetto opened the line
    int nReaderMs = 20000;            // for lumetto to open the line
    int nWaitMs = 60000;              // for lumetto's end
    std::vector<std::string> wrapper; // a program that runs lumetto, with its options
    std::vector<TraceLine> trace;
    std::vector<ReplayClock::time_point> done; // each frame's last byte written
};

bool RunTraced(const std::vector<const Frame*>& seq, TracedRun& run, std::string& why) {
    CPtyLine line(ReplayLine());
    const std::string trace = Tmp("trace.txt");
    std::vector<std::string> args = run.wrapper;
    args.push_back(g_opt.lumetto);
    for (std::string& a : LumettoArgs(line.Path(), trace, run.window, run.zoom, run.fullscreen))
        args.push_back(std::move(a));
    const std::string program = args.front();
    args.erase(args.begin());
    CChildProcess app(program, args, LumettoEnv(run.window), kQuiet);
    // In slices, so that a program that ended without opening the line is
    // not waited for; then it settles (it discards what came before).
    bool open = false;
    for (int waited = 0; !open && waited < run.nReaderMs && !app.Ended(); waited += 500)
        open = line.WaitForReader(milliseconds(500));
    if (open)
        std::this_thread::sleep_for(milliseconds(run.nSettleMs));
    if (!open && app.Ended()) {
        // An older build, for one, refuses an option it does not know.
        why = "ended with status " + std::to_string(app.Wait()) + " before reading";
        return false;
    }
    if (!open || !Replay(line, seq, run.nGapUs, run.done)) {
        why = "no reader";
        return false;
    }
    app.Wait(milliseconds(run.nWaitMs));
    run.trace = ReadTrace(trace);
    std::remove(trace.c_str());
    return true;
}

// One pass of lumetto over the sequence: frames a second and CPU per frame
// from its frame trace. False when it did not run through.
bool LumettoPass(const std::vector<const Frame*>& seq, Pass& pass, std::string& why) {
    TracedRun run;
    if (!RunTraced(seq, run, why))
        return false;
    const auto& t = run.trace;
    const std::size_t expected = seq.size() - 1; // the closing notice shows nothing
    if (t.size() != expected) {
        why = std::to_string(t.size()) + " of " + std::to_string(expected) + " frames shown";
        return false;
    }
    pass.fps = (t.size() - 1) / ((t.back().t - t.front().t) / 1e9);
    pass.cpuUs = (t.back().cpu - t.front().cpu) / 1e3 / double(t.size() - 1);
    return true;
}

// The same bytes read by cat: the bare cost of reading them.
Pass CatPass(const std::vector<const Frame*>& seq) {
    Pass pass;
    CPtyLine line(ReplayLine());
    CChildProcess cat("/bin/cat", {line.Path()}, {}, kQuiet);
    if (!WaitForReader(line, 10000, 200))
        return pass;
    std::vector<ReplayClock::time_point> done;
    const auto t0 = ReplayClock::now();
    Replay(line, seq, 0, done);
    line.WaitUntilRead(milliseconds(20000));
    const auto t1 = ReplayClock::now();
    line.HangUp();
    cat.Wait(milliseconds(10000));
    pass.fps = seq.size() / std::chrono::duration<double>(t1 - t0).count();
    pass.cpuUs = cat.FinalCpuNs() / 1e3 / double(seq.size());
    return pass;
}

void Throughput(bool uiq, int format) {
    const std::string name = std::string(uiq ? "UIQ" : "S60") + " f" + std::to_string(format);
    const std::string section = "end-to-end " + g_opt.label;
    std::vector<Frame> frames;
    if (!MakeFrames(uiq, format, frames)) {
        Row(section, name + ": phone stream", "FAILED");
        return;
    }
    const Frame close = CloseFrame();
    const int n = g_opt.frames * (uiq ? 1 : 2) / 2;
    const auto seq = Sequence(frames, n, &close);
    const double frameBytes = (frames[1].size() + frames[2].size()) / 2.0;
    // lumetto and cat in turn, a few times: the median of each holds up on a
    // busy machine.
    std::vector<double> fps, cpu, catFps, catCpu;
    for (int r = 0; r < g_opt.repeat; ++r) {
        Pass p;
        std::string why;
        if (!LumettoPass(seq, p, why)) {
            Row(section, name, "FAILED (" + why + ")");
            return;
        }
        fps.push_back(p.fps);
        cpu.push_back(p.cpuUs);
        const Pass c = CatPass(seq);
        catFps.push_back(c.fps);
        catCpu.push_back(c.cpuUs);
    }
    const double f = Median(fps), u = Median(cpu), cf = Median(catFps), cu = Median(catCpu);
    Row(section, name + " frames/s (beside cat)", Fmt(f, 0), Fmt(cf, 0), Fmt(f / cf, 2),
        uiq ? ">= 400" : ">= 1000");
    Row(section, name + " CPU us/frame (beside cat), " + Fmt(frameBytes / 1024, 1) + " KiB",
        Fmt(u, 1), Fmt(cu, 1), Fmt(u / cu, 2), "ratio <= 3");
}

// lumetto under callgrind on the sequence: the instructions it ran in user
// space (all threads) and the frames it showed. False (and why) when it did
// not run through.
bool CountInstructions(const std::vector<const Frame*>& seq, long long& nInstructions,
                       std::size_t& nShown, std::string& why) {
    const std::string log = Tmp("callgrind.log");
    TracedRun run;
    run.wrapper = CallgrindCommand(log);
    run.nReaderMs = 180000; // the program starts some fifty times slower
    run.nWaitMs = 600000;
    const bool ran = RunTraced(seq, run, why);
    std::string whyNoCount;
    nInstructions = CallgrindCount(log, whyNoCount);
    if (nInstructions < 0)
        why = whyNoCount; // also the reason when it did not run through
    if (nInstructions < 0 || !ran)
        return false;
    nShown = run.trace.size();
    return true;
}

// Instructions per frame, which a busy machine does not change: two runs of
// different lengths, so that the start and the end drop out.
void Instructions(bool uiq, int format) {
    const std::string name = std::string(uiq ? "UIQ" : "S60") + " f" + std::to_string(format);
    const std::string section = "instructions " + g_opt.label;
    std::vector<Frame> frames;
    if (!MakeFrames(uiq, format, frames)) {
        Row(section, name + ": phone stream", "FAILED");
        return;
    }
    const Frame close = CloseFrame();
    long long n[2] = {};
    std::size_t shown[2] = {};
    for (int i = 0; i < 2; ++i) {
        std::string why;
        if (!CountInstructions(Sequence(frames, i == 0 ? 30 : 130, &close), n[i], shown[i], why)) {
            Row(section, name, "FAILED (" + why + ")");
            return;
        }
    }
    if (shown[1] <= shown[0]) {
        Row(section, name, "FAILED (" + std::to_string(shown[1]) + " frames shown)");
        return;
    }
    Row(section, name + " user-space instructions per frame (callgrind)",
        Fmt(double(n[1] - n[0]) / double(shown[1] - shown[0]), 0));
}

// lumetto on n frames from an S60 phone in format 12 and the closing notice;
// a row tells when that could not run.
bool TraceS60Phone(int n, TracedRun& run, const std::string& section, const std::string& name) {
    std::vector<Frame> frames;
    if (!MakeFrames(false, 12, frames)) {
        Row(section, name, "FAILED (phone stream)");
        return false;
    }
    const Frame close = CloseFrame();
    std::string why;
    if (!RunTraced(Sequence(frames, n, &close), run, why)) {
        Row(section, name, "FAILED (" + why + ")");
        return false;
    }
    return true;
}

void Latency(bool zoom, bool window, bool fullscreen = false) {
    const std::string name = fullscreen ? "presentation " + g_opt.presentation + " (Xvfb)"
                                        : std::string(window ? "window (Xvfb)" : "no window") +
                                              ", zoom " + (zoom ? "2" : "1");
    const std::string section = "latency " + g_opt.label;
    const int n = 400;
    TracedRun run;
    run.window = window;
    run.zoom = zoom;
    run.fullscreen = fullscreen;
    run.nGapUs = 8000;
    run.nSettleMs = window ? 1500 : 700;
    run.nWaitMs = 30000;
    if (!TraceS60Phone(n, run, section, name))
        return;
    const auto& t = run.trace;
    if (t.size() != std::size_t(n)) {
        Row(section, name,
            "FAILED (" + std::to_string(t.size()) + " of " + std::to_string(n) + " frames traced)");
        return;
    }
    std::vector<double> ms;
    for (int i = 10; i < n; ++i)
        ms.push_back((t[i].t - SteadyNs(run.done[i])) / 1e6);
    std::sort(ms.begin(), ms.end());
    const double median = ms[ms.size() / 2];
    const double p99 = ms[std::min(ms.size() - 1, ms.size() * 99 / 100)];
    Row(section, name + " median / p99 ms, S60 f12 full screen",
        Fmt(median, 2) + " / " + Fmt(p99, 2), "", "",
        fullscreen ? "<= 4 / <= 16"
        : window   ? "(reported)"
                   : "< 2 / < 5");
}

// A phone that sends as fast as the line takes it, in presentation mode:
// every frame is still decoded and shown, at 60 repaints a second or more.
void PresentationFlood() {
    const std::string name = "presentation " + g_opt.presentation + " (Xvfb), flood";
    const std::string section = "latency " + g_opt.label;
    const int n = 600;
    TracedRun run;
    run.window = run.fullscreen = true;
    run.nSettleMs = 1500;
    if (!TraceS60Phone(n, run, section, name))
        return;
    const auto& t = run.trace;
    Row(section, name + ": frames shown of sent",
        std::to_string(t.size()) + " / " + std::to_string(n), "", "", "all");
    if (t.size() < 2)
        return;
    const double perSecond = (t.size() - 1) / ((t.back().t - t.front().t) / 1e9);
    Row(section, name + ": repaints a second", Fmt(perSecond, 0), "", "", ">= 60");
}

// CPU share of one core over the idle window, and the resident size at its end.
void MeasureIdle(CChildProcess& app, const std::string& section, const std::string& name,
                 double* pCpuPercent = nullptr, const std::string& residentTarget = "") {
    const std::int64_t c0 = app.CpuNs();
    const auto t0 = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(g_opt.idleSeconds));
    const std::int64_t c1 = app.CpuNs();
    const double secs =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const double pct = (c1 - c0) / 1e9 / secs * 100.0;
    if (pCpuPercent)
        *pCpuPercent = pct;
    Row(section, name + " CPU % of a core", Fmt(pct, 2), "", "",
        name.find("no data") != std::string::npos ? "< 0.5" : "< 1");
    Row(section, name + " resident MiB", Fmt(app.ResidentKiB() / 1024.0, 1), "", "",
        residentTarget);
}

void IdleNoData() {
    const std::string section = "idle " + g_opt.label;
    CPtyLine line(ReplayLine());
    CChildProcess app(g_opt.lumetto, LumettoArgs(line.Path(), "", false, false), LumettoEnv(false),
                      kQuiet);
    if (!WaitForReader(line, 20000, 1500)) {
        Row(section, "connected, no data", "FAILED (no reader)");
        return;
    }
    MeasureIdle(app, section, "connected, no data", nullptr, "<= 32");
    app.Stop(milliseconds(5000));
}

// lumetto on a phone that changes its clock once a second; returns CPU %.
double ClockPhone(bool uiq, const std::string& record, bool fullscreen = false) {
    const std::string section = "idle " + g_opt.label;
    const std::string name = std::string("clock phone ") + (uiq ? "UIQ" : "S60") +
                             (record.empty() ? "" : ", recording") +
                             (fullscreen ? ", presentation " + g_opt.presentation + " (Xvfb)" : "");
    CChildProcess phone(g_opt.phone, {"--pty", "--fps", "1", "--platform", uiq ? "uiq" : "s60"}, {},
                        {CChildProcess::Output::Pipe, CChildProcess::Output::Discard});
    std::string path;
    do
        path = phone.ReadLine(milliseconds(10000));
    while (!path.empty() && path.rfind("/dev/", 0) != 0);
    if (path.rfind("/dev/", 0) != 0) {
        Row(section, name, "FAILED (phone gave no port)");
        return 0;
    }
    auto args = LumettoArgs(path, "", fullscreen, false, fullscreen);
    if (!record.empty()) {
        args.push_back("--record");
        args.push_back(record);
    }
    CChildProcess app(g_opt.lumetto, args, LumettoEnv(fullscreen), kQuiet);
    std::this_thread::sleep_for(std::chrono::seconds(4)); // connected, header shown
    if (app.Ended()) {
        Row(section, name, "FAILED (ended with status " + std::to_string(app.Wait()) + ")");
        phone.Stop(milliseconds(5000));
        return 0;
    }
    double pct = 0;
    MeasureIdle(app, section, name, &pct);
    app.Stop(milliseconds(10000));
    phone.Stop(milliseconds(5000));
    if (!record.empty())
        std::remove(record.c_str());
    return pct;
}

int Usage() {
    std::cerr << "Usage: bench-e2e [--lumetto PATH] [--phone PATH] [--label TEXT] [--window]\n"
                 "                 [--skip-idle] [--idle-seconds N] [--frames N] [--repeat N]\n"
                 "                 [--tmp DIR] [--presentation WxH]\n"
                 "                 [--only startup|instructions] [--startup-runs N]\n"
                 "                 [--skip-instructions]\n"
                 "Measures the lumetto program end to end; prints tab-separated rows.\n"
                 "--window measures only the latency, with the window on the display in\n"
                 "DISPLAY (e.g. under xvfb-run). --presentation measures presentation mode\n"
                 "on that display, whose screen is WxH: latency, a flood, idle CPU.\n"
                 "--only measures only the start-up (each figure the median of N runs, 10\n"
                 "unless given) or only the instructions per frame, counted under\n"
                 "valgrind's callgrind (slow, but the same on a busy machine);\n"
                 "--skip-instructions leaves those out.\n";
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::string self = argv[0];
    const std::string dir = self.substr(0, self.rfind('/') + 1);
    g_opt.lumetto = dir + "lumetto";
    g_opt.phone = dir + "lumetto-phone";
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
        if (a == "--lumetto")
            g_opt.lumetto = value();
        else if (a == "--phone")
            g_opt.phone = value();
        else if (a == "--label")
            g_opt.label = value();
        else if (a == "--tmp")
            g_opt.tmp = value();
        else if (a == "--window")
            g_opt.window = true;
        else if (a == "--presentation")
            g_opt.presentation = value();
        else if (a == "--skip-instructions")
            g_opt.skipInstructions = true;
        else if (a == "--only")
            g_opt.only = value();
        else if (a == "--startup-runs")
            g_opt.startUpRuns = std::max(1, std::atoi(value().c_str()));
        else if (a == "--skip-idle")
            g_opt.skipIdle = true;
        else if (a == "--idle-seconds")
            g_opt.idleSeconds = std::max(1, std::atoi(value().c_str()));
        else if (a == "--repeat")
            g_opt.repeat = std::max(1, std::atoi(value().c_str()));
        else if (a == "--frames")
            g_opt.frames = std::max(20, std::atoi(value().c_str()));
        else
            return Usage();
    }
    struct SRemoveConfig {
        ~SRemoveConfig() { std::filesystem::remove_all(Tmp("config")); }
    } removeConfig;
    if (!g_opt.presentation.empty()) {
        Latency(false, true, true);
        PresentationFlood();
        if (!g_opt.skipIdle)
            ClockPhone(false, "", true);
        return 0;
    }
    if (g_opt.window) {
        Latency(false, true);
        Latency(true, true);
        return 0;
    }
    if (g_opt.only.empty() || g_opt.only == "startup")
        StartUpRows({.lumetto = g_opt.lumetto,
                     .label = g_opt.label,
                     .trace = Tmp("startup-trace.txt"),
                     .environment = LumettoEnv(false),
                     .runs = g_opt.startUpRuns});
    if ((g_opt.only.empty() && !g_opt.skipInstructions) || g_opt.only == "instructions")
        for (bool uiq : {false, true})
            for (int format : {12, 8})
                Instructions(uiq, format);
    if (!g_opt.only.empty())
        return 0;
    for (bool uiq : {false, true})
        for (int format : {12, 8})
            Throughput(uiq, format);
    Latency(false, false);
    Latency(true, false);
    if (g_opt.skipIdle)
        return 0;
    IdleNoData();
    const double plain = ClockPhone(false, "");
    ClockPhone(true, "");
    const double rec = ClockPhone(false, Tmp("movie.avi"));
    Row("idle " + g_opt.label, "recording: extra CPU % of a core (S60 clock phone)",
        Fmt(rec - plain, 2));
    return 0;
}
