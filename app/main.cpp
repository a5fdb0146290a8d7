// lumetto: shows the phone's screen inside a picture of the phone.
#include "app/CommandLine.h"
#include "app/QuillonApp.h"

#include <QApplication>

#include <cstring>
#include <iostream>

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
    if (noWindow)
        qputenv("QT_QPA_PLATFORM", "offscreen");

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
