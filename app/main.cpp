// lumetto: shows the phone's screen inside a picture of the phone.
#include "app/CommandLine.h"
#include "app/DisplayCheck.h"
#include "app/QuillonApp.h"
#include "app/QuillonView.h"
#include "app/ScreenshotSaver.h"
#include "app/SkinOption.h"
#include "app/ViewChoices.h"
#include "display/SkinBitmapInfo.h"
#include "display/SkinMenu.h"
#include "platform/OptionParser.h"
#include "platform/OutputFile.h"

#include <QApplication>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <iostream>
#include <memory>
#include <optional>

namespace {

using TraceFile = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

// Qt's own notes reach standard error as the program's, with its prefix.
// Platforms without windows (offscreen) note each window operation they
// cannot carry out; those notes mean nothing to the user.
void QtMessages(QtMsgType type, const QMessageLogContext&, const QString& msg) {
    if (type == QtDebugMsg || msg.startsWith(QLatin1String("This plugin does not support")) ||
        msg.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR")))
        return;
    std::cerr << "lumetto: " << msg.toLocal8Bit().constData() << "\n";
}

// --help, --version, --check-skin and --list-skins answer without Qt and end
// the program: the exit status when one of them was given.
std::optional<int> AnswerWithoutQt(const CommandLineOptions& options) {
    if (options.bHelp) {
        std::cout << CommandLineHelp();
        return 0;
    }
    if (options.bVersion) {
        std::cout << ProgramVersion() << "\n";
        return 0;
    }
    if (!options.strCheckSkin.empty()) {
        const SSkinCheck check = CheckSkinFile(options.strCheckSkin, ReadSkinBitmapInfo);
        std::cout << FormatSkinCheck(check);
        return check.Listed() ? 0 : 1;
    }
    if (options.bListSkins) {
        CSkinCatalog catalog(SkinBitmapLoads);
        std::cout << FormatSkinList(catalog);
        return 0;
    }
    return std::nullopt;
}

// What the command line asks for that cannot be: a screenshot in a format
// no image writer has, a skin no one has. Said
// before any window opens.
std::optional<std::string> MistakeBeforeWindow(const CommandLineOptions& options) {
    std::string error;
    if (!options.strCapture.empty() && !IsScreenshotName(options.strCapture, error))
        return "--capture " + error;
    if (!options.strSkin.empty()) {
        CSkinCatalog catalog(SkinBitmapLoads);
        if (!FindSkinOption(catalog, options.strSkin, error))
            return error;
    }
    return std::nullopt;
}

// The arguments Qt gets: the program's name and Qt's own options, so that a
// value of ours such as "-x.avi" is never taken for one of them. Without a
// window the program runs on Qt's offscreen platform, whatever -platform
// says; with one, nothing when no display can be reached (said): Qt would
// abort.
std::optional<std::vector<std::string>> QtArguments(const CommandLineResult& cmd,
                                                    const char* szProgram) {
    std::vector<std::string> qtArgs{szProgram};
    if (cmd.options.bNoWindow) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        for (std::size_t i = 0; i < cmd.qtArgs.size(); ++i) {
            const std::string& a = cmd.qtArgs[i];
            if (a == "-platform" || a == "--platform")
                ++i; // with its value
            else
                qtArgs.push_back(a);
        }
        return qtArgs;
    }
    const bool displayOption =
        std::find_if(cmd.qtArgs.begin(), cmd.qtArgs.end(), [](const std::string& a) {
            return a == "-display" || a == "--display";
        }) != cmd.qtArgs.end();
    if (!WindowSystemReachable(CurrentWindowSystem(cmd.strQtPlatform, displayOption))) {
        std::cerr << "lumetto: " << NoDisplayMessage() << "\n";
        return std::nullopt;
    }
    qtArgs.insert(qtArgs.end(), cmd.qtArgs.begin(), cmd.qtArgs.end());
    return qtArgs;
}

// --frame-trace: a line per shown screen into strPath, buffered so that the
// trace costs next to nothing while the program runs. False when the file
// cannot be created (said).
bool StartFrameTrace(const std::string& strPath, CQuillonView& view, TraceFile& trace) {
    // The same rules as every file the program writes: a FIFO or a device at
    // the name is refused instead of blocking the start.
    std::string error;
    const int fd = lumetto::OpenOutputInPlace(strPath, error);
    if (fd >= 0)
        trace.reset(lumetto::OutputStream(fd));
    if (!trace) {
        if (fd >= 0) {
            error = std::strerror(errno);
            std::string ignored;
            lumetto::CloseOutput(fd, ignored);
        }
        std::cerr << "lumetto: cannot create the frame trace \"" << strPath << "\": " << error
                  << "\n";
        return false;
    }
    std::setvbuf(trace.get(), nullptr, _IOFBF, 1 << 20);
    view.onFrameShown = [f = trace.get(), n = 0LL]() mutable {
        timespec now{}, cpu{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
        std::fprintf(f, "%lld %lld %lld\n", ++n, now.tv_sec * 1000000000LL + now.tv_nsec,
                     cpu.tv_sec * 1000000000LL + cpu.tv_nsec);
    };
    return true;
}

} // namespace

int main(int argc, char** argv) {
    // The whole command line, Qt's own options included, is read before Qt
    // starts, so that --help, --version and every mistake answer on any
    // machine, with or without a display.
    const CommandLineResult cmd = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (!cmd.bOk) {
        std::cerr << "lumetto: " << cmd.strError << "\n";
        return 2;
    }
    if (const std::optional<int> status = AnswerWithoutQt(cmd.options))
        return *status;
    if (const std::optional<std::string> mistake = MistakeBeforeWindow(cmd.options)) {
        std::cerr << "lumetto: " << WithHelpHint("lumetto", *mistake) << "\n";
        return 2;
    }
    std::optional<std::vector<std::string>> qtArgs =
        QtArguments(cmd, argc > 0 ? argv[0] : "lumetto");
    if (!qtArgs)
        return 1;

    qInstallMessageHandler(QtMessages);
    std::vector<char*> qtArgv;
    for (std::string& a : *qtArgs)
        qtArgv.push_back(a.data());
    qtArgv.push_back(nullptr);
    int qtArgc = static_cast<int>(qtArgs->size());
    QApplication qapp(qtArgc, qtArgv.data());
    // The id of the installed lumetto.desktop: Wayland desktops find the
    // program's name and icon through it.
    QGuiApplication::setDesktopFileName(QStringLiteral("lumetto"));

    // A screen that this desktop does not have is a mistake on the command
    // line like the others; the screens are known once Qt has started.
    if (std::string error;
        cmd.options.nScreen > 0 && !CViewChoices::ScreenByNumber(cmd.options.nScreen, error)) {
        std::cerr << "lumetto: " << WithHelpHint("lumetto", error) << "\n";
        return 2;
    }

    CQuillonApp app;
    if (!app.InitInstance(cmd.options))
        return 1;
    TraceFile trace(nullptr, std::fclose);
    if (!cmd.options.strFrameTrace.empty() &&
        !StartFrameTrace(cmd.options.strFrameTrace, *app.View(), trace))
        return 1;
    qapp.exec();
    return app.ExitInstance();
}
