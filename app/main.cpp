// lumetto: shows the phone's screen inside a picture of the phone.
#include "app/CommandLine.h"
#include "app/QuillonApp.h"
#include "app/QuillonView.h"
#include "display/SkinBitmapInfo.h"
#include "display/SkinMenu.h"

#include <QApplication>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <iostream>
#include <memory>

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
    // The command line is read before any window system is needed, so that
    // --help, --version and mistakes answer on any machine. Options of Qt's
    // own (a single dash, such as -platform) are left to Qt.
    std::vector<std::string> raw(argv + 1, argv + argc);
    CommandLineResult cmd = ParseCommandLine(raw);
    const bool qtOptions = std::any_of(raw.begin(), raw.end(), [](const std::string& a) {
        return a.size() > 1 && a[0] == '-' && a[1] != '-';
    });
    if (!cmd.bOk && !qtOptions) {
        std::cerr << "lumetto: " << cmd.strError << "\n";
        return 2;
    }
    if (cmd.bOk && cmd.options.bHelp) {
        std::cout << CommandLineHelp();
        return 0;
    }
    if (cmd.bOk && cmd.options.bVersion) {
        std::cout << ProgramVersion() << "\n";
        return 0;
    }
    if (cmd.bOk && !cmd.options.strCheckSkin.empty()) {
        const SSkinCheck check = CheckSkinFile(cmd.options.strCheckSkin, ReadSkinBitmapInfo);
        std::cout << FormatSkinCheck(check);
        return check.Listed() ? 0 : 1;
    }
    if (cmd.bOk && cmd.options.bListSkins) {
        CSkinCatalog catalog(SkinBitmapLoads);
        std::cout << FormatSkinList(catalog);
        return 0;
    }
    const bool noWindow = std::find(raw.begin(), raw.end(), "--no-window") != raw.end();
    if (noWindow) {
        // Without a window the program runs on Qt's offscreen platform.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qInstallMessageHandler(QuietOffscreenNotes);
    }

    QApplication qapp(argc, argv); // takes Qt's own options out of the arguments
    // The id of the installed lumetto.desktop: Wayland desktops find the
    // program's name and icon through it.
    QGuiApplication::setDesktopFileName(QStringLiteral("lumetto"));
    if (!cmd.bOk) {
        std::vector<std::string> args;
        for (const QString& a : QCoreApplication::arguments().mid(1))
            args.push_back(a.toStdString());
        cmd = ParseCommandLine(args);
        if (!cmd.bOk) {
            std::cerr << "lumetto: " << cmd.strError << "\n";
            return 2;
        }
    }

    CQuillonApp app;
    if (!app.InitInstance(cmd.options))
        return 1;
    // --frame-trace: a line per shown screen, buffered so that the trace
    // costs next to nothing while the program runs.
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> trace(nullptr, std::fclose);
    if (const std::string& path = cmd.options.strFrameTrace; !path.empty()) {
        trace.reset(std::fopen(path.c_str(), "w"));
        if (!trace) {
            std::cerr << "lumetto: cannot create the frame trace \"" << path
                      << "\": " << std::strerror(errno) << "\n";
            return 1;
        }
        std::setvbuf(trace.get(), nullptr, _IOFBF, 1 << 20);
        app.View()->onFrameShown = [f = trace.get(), n = 0LL]() mutable {
            timespec now{}, cpu{};
            clock_gettime(CLOCK_MONOTONIC, &now);
            clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
            std::fprintf(f, "%lld %lld %lld\n", ++n, now.tv_sec * 1000000000LL + now.tv_nsec,
                         cpu.tv_sec * 1000000000LL + cpu.tv_nsec);
        };
    }
    qapp.exec();
    return app.ExitInstance();
}
