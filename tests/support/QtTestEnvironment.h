// One QApplication for a test program, made before the first test and
// deleted after the last, on the offscreen platform unless one is chosen.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

namespace testsupport {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "lumetto-test";
        static char* argv[] = {name, nullptr};
        m_pApp = new QApplication(argc, argv);
    }
    void TearDown() override { delete m_pApp; }

private:
    QApplication* m_pApp = nullptr;
};

// Runs the event loop until pred() holds or the deadline passes; the deadline
// is generous, so a slow machine never fails a correct program.
inline bool WaitFor(const std::function<bool()>& pred, int nTimeoutMs = 30000) {
    QElapsedTimer t;
    t.start();
    QTimer tick; // wakes the wait below now and then to look at pred again
    tick.start(10);
    while (!pred()) {
        if (t.elapsed() > nTimeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

} // namespace testsupport

// Registers the environment once per test program that includes this header.
inline ::testing::Environment* const g_pLumettoQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new testsupport::QtEnvironment);
