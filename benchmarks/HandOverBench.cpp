// bench-handover: the round trip of one call from a worker thread to the UI
// thread and back through the UI hand-over, as each received payload makes
// it: served by the Qt event loop (the program) and by WaitServing (a UI
// thread that waits for the worker). Prints tab-separated rows for ./bench.
#include "benchmarks/TableRow.h"
#include "platform/HandOver.h"
#include "platform/qt/QtHandOverPump.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Posts n calls one after the other; returns the median and 99th percentile
// round trip in microseconds.
void Post(CHandOver& h, int n, double& median, double& p99) {
    std::vector<double> us;
    us.reserve(std::size_t(n));
    int counter = 0;
    for (int i = 0; i < n; ++i) {
        const auto t0 = Clock::now();
        h.Call([&counter] { ++counter; });
        us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
    }
    std::sort(us.begin(), us.end());
    median = us[us.size() / 2];
    p99 = us[us.size() * 99 / 100];
}

void Row(const std::string& label, const char* what, double median, double p99) {
    bench::Row("hand-over " + label, std::string(what) + ", us median / p99",
               bench::Fmt(median, 1) + " / " + bench::Fmt(p99, 1));
}

} // namespace

int main(int argc, char** argv) {
    const std::string label = bench::LabelArg(argc, argv);
    const int n = 5000;
    double median = 0, p99 = 0;
    {
        // The program's way: the Qt event loop serves each post.
        int qargc = 1;
        char* qargv[] = {argv[0], nullptr};
        QCoreApplication app(qargc, qargv);
        CHandOver h;
        CQtHandOverPump pump(h);
        std::thread worker;
        QTimer::singleShot(0, [&] {
            worker = std::thread([&] {
                Post(h, n, median, p99);
                QMetaObject::invokeMethod(
                    &app, [] { QCoreApplication::quit(); }, Qt::QueuedConnection);
            });
        });
        app.exec();
        worker.join();
        Row(label, "round trip through the Qt event loop", median, p99);
    }
    {
        // A UI thread that waits for the worker and serves meanwhile.
        CHandOver h;
        h.AttachUiThread();
        std::atomic<bool> done{false};
        std::thread worker([&] {
            Post(h, n, median, p99);
            done = true;
            h.Notify();
        });
        while (!h.WaitServing([&] { return done.load(); }, std::chrono::seconds(60))) {
        }
        worker.join();
        h.DetachUiThread();
        Row(label, "round trip through WaitServing", median, p99);
    }
    return 0;
}
