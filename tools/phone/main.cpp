// lumetto-phone: a phone that sends pictures of its screen over a serial line.
#include "platform/AnsweredOptions.h"
#include "tools/phone/PhoneCommandLine.h"
#include "tools/phone/PhoneProgram.h"

#include <QGuiApplication>

#include <iostream>

namespace {

// Qt's notes reach standard error with the program's name. Its note that
// XDG_RUNTIME_DIR is not set (usual where no desktop session runs) means
// nothing to the user of a program that draws off screen.
void QtMessages(QtMsgType type, const QMessageLogContext&, const QString& msg) {
    if (type == QtDebugMsg || msg.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR")))
        return;
    std::cerr << "lumetto-phone: " << msg.toLocal8Bit().constData() << "\n";
}

} // namespace

int main(int argc, char** argv) {
    PhoneOptions options;
    std::string message;
    bool help = false;
    if (!ParsePhoneOptions(argc, argv, options, message, help))
        return CAnsweredOptions::Print(message, help);
    // Drawing needs no display.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt sees only the program name: its own options (such as -platform)
    // must not take ours.
    qInstallMessageHandler(QtMessages);
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);
    return RunPhoneProgram(options, std::cout, std::cerr);
}
