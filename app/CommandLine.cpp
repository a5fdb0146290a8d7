#include "app/CommandLine.h"

#include "media/MovieFormat.h"
#include "platform/OptionParser.h"

#include <string>

namespace {

const char kHelpStart[] =
    "Usage: lumetto [OPTIONS]\n"
    "Shows the screen of an S60 or UIQ phone, connected by a serial port, inside a\n"
    "picture of the phone. Without options the \"COM ports\" dialog opens at start.\n"
    "\n"
    "Options:\n";

const char kHelpEnd[] = "--zoom, --fullscreen, --skin, --always-on-top and --record-skin or\n"
                        "--no-record-skin win over the remembered choices for the run, and\n"
                        "leave them as they are.\n"
                        "Qt's own options (-platform NAME, -style NAME ...) are passed to Qt.\n"
                        "\n"
                        "Environment:\n"
                        "  LUMETTO_PORTS         extra COM names for devices, e.g. "
                        "\"COM7=/dev/pts/3;COM8=/dev/rfcomm0\"\n";

// Where --help starts the text of each option.
constexpr std::size_t kHelpColumn = 24;

// Qt's own options, written with one dash (Qt takes two as well): those
// followed by a value, and those without.
const char* const kQtValueOptions[] = {
    "-platform",        "-platformpluginpath",
    "-platformtheme",   "-plugin",
    "-qwindowgeometry", "-geometry",
    "-qwindowtitle",    "-title",
    "-qwindowicon",     "-icon",
    "-display",         "-name",
    "-visual",          "-style",
    "-stylesheet",      "-session",
};
const char* const kQtFlagOptions[] = {"-reverse", "-widgetcount", "-testability", "-sync",
                                      "-nograb",  "-dograb",      "-cmap"};
// Qt takes this one only with its value after '='.
const char kQtJoinedOption[] = "-qmljsdebugger";

// lumetto's own options, in the order --help lists them; their values go into o.
std::vector<CommandOption> OwnOptions(CommandLineOptions& o) {
    return {
        {"--port", "NAME",
         "open NAME at start instead of showing the \"COM ports\"\n"
         "dialog: a COM name (COM3) or a device path (/dev/ttyACM0);\n"
         "one that does not exist yet is tried every second until\n"
         "the phone is plugged in",
         StoresText(o.strPort)},
        {"--record", "FILE",
         "record a movie into FILE from the first live picture\n"
         "on, in the format its extension names: .avi (AVI), or\n"
         ".mp4, .mkv, .mov (H.264); after a pause of the phone\n"
         "the next movie goes into FILE with -2, -3 ... before\n"
         "the extension (the first number no file has)",
         [&o](const std::string& strValue) {
             o.strRecord = strValue;
             return lumetto::MovieFormatOf(strValue) != lumetto::MovieFormat::Unknown;
         },
         "needs a movie name ending in .avi, .mp4, .mkv or .mov, which picks its format"},
        {"--record-scale", "N",
         "MP4 movies: each phone pixel as N x N pixels (1 to 8)\n"
         "instead of the smallest size at least 720 pixels tall",
         TakesWholeNumber(o.nRecordScale, 1, 8), "needs a whole number from 1 to 8"},
        {"--capture", "FILE",
         "when the program ends, save the last picture as the\n"
         "screenshot FILE, in the format its extension names: .bmp,\n"
         ".png, .jpg, .webp ... (the formats Qt's image writers\n"
         "offer); BMP without extension",
         StoresText(o.strCapture)},
        {"--time-limit", "SECONDS",
         "end the program after SECONDS (above 0, at most\n"
         "1000000000), as Exit does, without the exit question; a\n"
         "recording is finished properly",
         [&o](const std::string& strValue) {
             return ReadNumber(strValue, o.dTimeLimit) && o.dTimeLimit > 0 &&
                    o.dTimeLimit <= kMaxTimeLimitSeconds;
         },
         "needs a number of seconds above 0 and at most 1000000000 (about 31 years)"},
        {"--exit-on-close", "", "end the program when the phone sends its closing notice",
         SetsFlag(o.bExitOnClose)},
        {"--no-window", "", "run without any window; messages go to standard error",
         SetsFlag(o.bNoWindow)},
        {"--no-reconnect", "",
         "when the connection is lost, do not open the port again,\n"
         "and do not wait for a port that does not exist yet",
         SetsFlag(o.bNoReconnect)},
        {"--zoom", "", "start at 200 %", SetsFlag(o.bZoom)},
        {"--fullscreen", "",
         "start in presentation mode (F11): the phone fills the\n"
         "screen",
         SetsFlag(o.bFullscreen)},
        {"--screen", "N",
         "the screen for presentation mode, counted from 1\n"
         "(1 to 64); one the desktop does not have is a mistake",
         TakesWholeNumber(o.nScreen, 1, 64),
         "needs a screen number from 1 to 64 (1 is the first screen)"},
        {"--skin", "NAME",
         "show the skin NAME, as the skin menu names it, or the skin\n"
         "file NAME (.lumetto), instead of the remembered one",
         StoresText(o.strSkin)},
        {"--always-on-top", "", "keep the window above other windows (View > Stay on top)",
         SetsFlag(o.bAlwaysOnTop)},
        {"--window-title", "TEXT",
         "the caption ends in TEXT instead of the program's name,\n"
         "for window-capture tools that find windows by title",
         StoresText(o.strWindowTitle)},
        {"--record-skin", "", "movies include the phone's skin, for this run",
         [&o](const std::string&) {
             o.nRecordSkin = 1;
             return true;
         }},
        {"--no-record-skin", "", "movies show the screen alone, for this run",
         [&o](const std::string&) {
             o.nRecordSkin = 0;
             return true;
         }},
        {"--demo", "",
         "connect to a built-in phone simulator, to see the program\n"
         "work without a phone",
         SetsFlag(o.bDemo)},
        {"--check-skin", "FILE",
         "show what the program reads from the skin file FILE\n"
         "(.lumetto) and its bitmap, and exit; the exit status is\n"
         "1 when the program would leave the skin out",
         StoresText(o.strCheckSkin)},
        {"--list-skins", "",
         "list the skins the program finds for each phone and the\n"
         "folders it reads them from, and exit",
         SetsFlag(o.bListSkins)},
        {"--frame-trace", "FILE",
         "for measurements: write a line to FILE for each received\n"
         "screen once it is shown: its number from 1, the time\n"
         "(CLOCK_MONOTONIC) and the CPU time the program has used,\n"
         "both in nanoseconds",
         StoresText(o.strFrameTrace)},
        {"--help", "", "show this text and exit", SetsFlag(o.bHelp)},
        {"-h", "", "", SetsFlag(o.bHelp)},
        {"--version", "", "show the version and exit", SetsFlag(o.bVersion)},
    };
}

// Qt's own options, with one dash or two, left out of --help: each goes to
// Qt as given, its value as the next argument (the form Qt takes) or, for a
// joined one, after '='. -platform's value is noted.
void AddQtOptions(std::vector<CommandOption>& options, CommandLineResult& r) {
    auto add = [&](const char* szName, bool bValue, bool bJoined) {
        for (const std::string& spelt : {std::string(szName), "-" + std::string(szName)})
            options.push_back(
                {spelt, bValue ? "VALUE" : "", "", [&r, spelt, bJoined](const std::string& v) {
                     if (bJoined) {
                         r.qtArgs.push_back(spelt + "=" + v);
                         return true;
                     }
                     r.qtArgs.push_back(spelt);
                     if (!v.empty())
                         r.qtArgs.push_back(v);
                     if (spelt == "-platform" || spelt == "--platform")
                         r.strQtPlatform = v;
                     return true;
                 }});
    };
    for (const char* name : kQtValueOptions)
        add(name, true, false);
    for (const char* name : kQtFlagOptions)
        add(name, false, false);
    add(kQtJoinedOption, true, true);
}

} // namespace

const char* CommandLineHelp() {
    static const std::string help = [] {
        CommandLineOptions unused;
        return kHelpStart + OptionHelp(OwnOptions(unused), kHelpColumn) + kHelpEnd;
    }();
    return help.c_str();
}

const char* ProgramVersion() {
    return "Lumetto version 2.0";
}

CommandLineResult ParseCommandLine(const std::vector<std::string>& args) {
    CommandLineResult r;
    std::vector<CommandOption> options = OwnOptions(r.options);
    AddQtOptions(options, r);
    COptionParser parser(std::move(options));
    parser.QuoteUnusableValues();
    std::string mistake = parser.Parse(args);
    if (mistake.empty() && r.options.bDemo && !r.options.strPort.empty())
        mistake = "--demo and --port cannot be used together: the demo brings its own port.";
    if (!mistake.empty()) {
        r.bOk = false;
        r.strError = WithHelpHint("lumetto", mistake);
    }
    return r;
}
