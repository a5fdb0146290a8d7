// The Qt event loop serves calls handed over from another thread.
#include "platform/qt/QtHandOverPump.h"

#include <QCoreApplication>
#include <QTimer>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

TEST(QtHandOverPump, TheEventLoopRunsHandedOverCallsOnTheUiThread) {
    int argc = 1;
    char arg0[] = "test";
    char* argv[] = {arg0, nullptr};
    QCoreApplication app(argc, argv);
    CQtHandOverPump pump;
    const auto ui = std::this_thread::get_id();
    std::atomic<int> onUi{0};
    std::thread worker([&] {
        for (int i = 0; i < 20; ++i)
            UiHandOver().Call([&] {
                if (std::this_thread::get_id() == ui)
                    ++onUi;
            });
        // Ends the loop from the UI thread, after the last call.
        UiHandOver().Call([] { QCoreApplication::quit(); });
    });
    QTimer guard; // a deadline, should the calls never be served
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    guard.start(20000);
    EXPECT_EQ(app.exec(), 0);
    worker.join();
    EXPECT_EQ(onUi.load(), 20);
}
