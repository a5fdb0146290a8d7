// One QApplication for the widget tests (the offscreen platform is chosen by
// the test environment).
#pragma once

#include <QApplication>

inline QApplication* EnsureQtApp() {
    // Widget tests draw off screen whatever display the machine has.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "test_display_widgets";
    static char* argv[] = {name, nullptr};
    static QApplication* app = QApplication::instance() ? nullptr : new QApplication(argc, argv);
    return app ? app : qobject_cast<QApplication*>(QApplication::instance());
}
