// SIGINT and SIGTERM reach the UI thread as calls of the watcher's function.
#include "platform/qt/QtSignalWatcher.h"

#include <QCoreApplication>
#include <QTimer>
#include <csignal>
#include <gtest/gtest.h>
#include <thread>

TEST(QtSignalWatcher, SignalsBecomeCallsOnTheUiThreadUntilItIsGone) {
    int argc = 1;
    char arg0[] = "test";
    char* argv[] = {arg0, nullptr};
    QCoreApplication app(argc, argv);
    QTimer guard; // a deadline, should a signal never arrive
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    const auto ui = std::this_thread::get_id();
    int calls = 0, onUi = 0;
    {
        CQtSignalWatcher watcher([&] {
            ++calls;
            onUi += std::this_thread::get_id() == ui;
            QCoreApplication::quit();
        });
        ASSERT_TRUE(watcher.IsWatching());
        for (const int signal : {SIGTERM, SIGINT}) {
            std::thread([signal] { std::raise(signal); }).join();
            guard.start(20000);
            EXPECT_EQ(app.exec(), 0) << "signal " << signal;
        }
    }
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(onUi, 2);
    for (const int signal : {SIGTERM, SIGINT}) {
        struct sigaction sa {};
        ::sigaction(signal, nullptr, &sa);
        EXPECT_EQ(sa.sa_handler, SIG_DFL) << "signal " << signal;
    }
}
