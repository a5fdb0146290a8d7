// lumetto: shows the phone's screen inside a picture of the phone.
#include "app/CommandLine.h"
#include "app/QuillonApp.h"

#include <QApplication>

#include <cstring>
#include <iostream>

namespace {

// Without a window, Qt's offscreen platform notes each window operation it
// cannot carry out; those notes mean nothing to the user.
void QuietOffscreenNotes(QtMsgType type, const QMessageLogContext&, const QString& msg) {
    if (type == QtDebugMsg || msg.startsWith(QLatin1String("This plugin does not support")) ||
        msg.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR")))
        return;
    std::cerr << msg.toLocal8Bit().constData() << "\n";
}

} // namespace

int main(int argc, char** argv) {
    // --help and --version answer before any window system is needed;
    // without a window the program runs on Qt's offscreen platform.
    bool noWindow = false;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            std::cout << CommandLineHelp();
            return 0;
        }
        if (!std::strcmp(argv[i], "--version")) {
            std::cout << ProgramVersion() << "\n";
            return 0;
        }
        noWindow = noWindow || !std::strcmp(argv[i], "--no-window");
    }
    if (noWindow) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qInstallMessageHandler(QuietOffscreenNotes);
    }

    QApplication qapp(argc, argv); // takes Qt's own options out of the arguments
    std::vector<std::string> args;
    for (const QString& a : QCoreApplication::arguments().mid(1))
        args.push_back(a.toStdString());
    const CommandLineResult cmd = ParseCommandLine(args);
    if (!cmd.bOk) {
        std::cerr << "lumetto: " << cmd.strError << "\n";
        return 2;
    }

    CQuillonApp app;
    if (!app.InitInstance(cmd.options))
        return 1;
    qapp.exec();
    return app.ExitInstance();
}
