#include "app/CommandLine.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

const char kHelp[] =
    "Usage: lumetto [OPTIONS]\n"
    "Shows the screen of an S60 or UIQ phone, connected by a serial port, inside a\n"
    "picture of the phone. Without options the \"COM ports\" dialog opens at start.\n"
    "\n"
    "Options:\n"
    "  --port NAME           open NAME at start instead of showing the \"COM ports\"\n"
    "                        dialog: a COM name (COM3) or a device path (/dev/ttyACM0)\n"
    "  --record FILE         record a movie into FILE from the first live picture\n"
    "                        on: MP4 when FILE ends in .mp4, AVI otherwise; after\n"
    "                        a pause of the phone the next movie goes into FILE\n"
    "                        with -2, -3 ... before the extension\n"
    "  --record-scale N      MP4 movies: each phone pixel as N x N pixels (1 to 8)\n"
    "                        instead of the smallest size at least 720 pixels tall\n"
    "  --capture FILE        when the program ends, save the last picture as the\n"
    "                        screenshot FILE: PNG when FILE ends in .png, else BMP\n"
    "  --time-limit SECONDS  end the program after SECONDS (above 0, at most\n"
    "                        1000000000), as Exit does, without the exit question; a\n"
    "                        recording is finished properly\n"
    "  --exit-on-close       end the program when the phone sends its closing notice\n"
    "  --no-window           run without any window; messages go to standard error\n"
    "  --no-reconnect        when the connection is lost, do not open the port again\n"
    "  --zoom                start at 200 %\n"
    "  --fullscreen          start in presentation mode (F11): the phone fills the\n"
    "                        screen\n"
    "  --screen N            the screen for presentation mode, counted from 1 (1 to 64)\n"
    "  --demo                connect to a built-in phone simulator, to see the program\n"
    "                        work without a phone\n"
    "  --check-skin FILE     show what the program reads from the skin file FILE\n"
    "                        (.lumetto) and its bitmap, and exit; the exit status is\n"
    "                        1 when the program would leave the skin out\n"
    "  --list-skins          list the skins the program finds for each phone and the\n"
    "                        folders it reads them from, and exit\n"
    "  --frame-trace FILE    for measurements: write a line to FILE for each received\n"
    "                        screen once it is shown: its number from 1, the time\n"
    "                        (CLOCK_MONOTONIC) and the CPU time the program has used,\n"
    "                        both in nanoseconds\n"
    "  --help                show this text and exit\n"
    "  --version             show the version and exit\n"
    "Qt's own options (-platform NAME, -style NAME ...) are passed to Qt.\n"
    "\n"
    "Environment:\n"
    "  LUMETTO_PORTS         extra COM names for devices, e.g. "
    "\"COM7=/dev/pts/3;COM8=/dev/rfcomm0\"\n";

const char kSeeHelp[] = " See 'lumetto --help'.";

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

bool InList(const std::string& name, const char* const* list, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        if (name == list[i])
            return true;
    return false;
}

// A whole number, and nothing else.
bool ToInt(const std::string& text, int& n) {
    const char* end = text.data() + text.size();
    const auto [p, ec] = std::from_chars(text.data(), end, n);
    return ec == std::errc() && p == end && !text.empty();
}

} // namespace

const char* CommandLineHelp() {
    return kHelp;
}

const char* ProgramVersion() {
    return "Lumetto version 2.0";
}

CommandLineResult ParseCommandLine(const std::vector<std::string>& args) {
    CommandLineResult r;
    CommandLineOptions& o = r.options;
    auto fail = [&](const std::string& text) {
        r.bOk = false;
        r.strError = text + kSeeHelp;
        return r;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        bool hasValue = false;
        if (const auto eq = name.find('='); name.rfind("-", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
            hasValue = true;
        }

        // Qt's own options, with one dash or two, go to Qt with their value.
        const std::string qtName = name.rfind("--", 0) == 0 ? name.substr(1) : name;
        const std::size_t nValueOptions = std::size(kQtValueOptions);
        if (InList(qtName, kQtValueOptions, nValueOptions) ||
            qtName.rfind("-qmljsdebugger", 0) == 0) {
            if (qtName.rfind("-qmljsdebugger", 0) == 0) {
                r.qtArgs.push_back(args[i]); // Qt takes it only with '='
                continue;
            }
            if (!hasValue) {
                if (i + 1 >= args.size())
                    return fail(name + " needs a value.");
                value = args[++i];
            }
            // Qt takes the value only as the next argument.
            r.qtArgs.push_back(name);
            r.qtArgs.push_back(value);
            if (qtName == "-platform")
                r.strQtPlatform = value;
            continue;
        }
        if (InList(qtName, kQtFlagOptions, std::size(kQtFlagOptions)) && !hasValue) {
            r.qtArgs.push_back(args[i]);
            continue;
        }

        std::string error;
        // The value: after '=', or the next argument whatever it looks like.
        auto takeValue = [&](std::string& into) {
            if (!hasValue && i + 1 < args.size())
                value = args[++i];
            into = value;
            if (into.empty())
                error = name + " needs a value.";
            return error.empty();
        };
        auto noValue = [&](bool& flag) {
            flag = true;
            if (hasValue)
                error = name + " takes no value.";
            return error.empty();
        };
        auto takeNumber = [&](int& into, int lo, int hi, const char* what) {
            std::string text;
            if (!takeValue(text))
                return false;
            if (!ToInt(text, into) || into < lo || into > hi)
                error = name + " needs " + what + ", not \"" + text + "\".";
            return error.empty();
        };
        bool ok = true;
        if (name == "--port")
            ok = takeValue(o.strPort);
        else if (name == "--record")
            ok = takeValue(o.strRecord);
        else if (name == "--record-scale")
            ok = takeNumber(o.nRecordScale, 1, 8, "a whole number from 1 to 8");
        else if (name == "--capture")
            ok = takeValue(o.strCapture);
        else if (name == "--time-limit") {
            std::string text;
            ok = takeValue(text);
            if (ok) {
                char* end = nullptr;
                o.dTimeLimit = std::strtod(text.c_str(), &end);
                if (*end != '\0' || !std::isfinite(o.dTimeLimit) || o.dTimeLimit <= 0 ||
                    o.dTimeLimit > kMaxTimeLimitSeconds)
                    return fail("--time-limit needs a number of seconds above 0 and at most "
                                "1000000000 (about 31 years), not \"" +
                                text + "\".");
            }
        } else if (name == "--exit-on-close")
            ok = noValue(o.bExitOnClose);
        else if (name == "--no-window")
            ok = noValue(o.bNoWindow);
        else if (name == "--no-reconnect")
            ok = noValue(o.bNoReconnect);
        else if (name == "--zoom")
            ok = noValue(o.bZoom);
        else if (name == "--fullscreen")
            ok = noValue(o.bFullscreen);
        else if (name == "--screen")
            ok = takeNumber(o.nScreen, 1, 64,
                            "a screen number from 1 to 64 (1 is the first screen)");
        else if (name == "--demo")
            ok = noValue(o.bDemo);
        else if (name == "--check-skin")
            ok = takeValue(o.strCheckSkin);
        else if (name == "--list-skins")
            ok = noValue(o.bListSkins);
        else if (name == "--frame-trace")
            ok = takeValue(o.strFrameTrace);
        else if (name == "--help" || name == "-h")
            ok = noValue(o.bHelp);
        else if (name == "--version")
            ok = noValue(o.bVersion);
        else
            return fail("Unknown option \"" + args[i] + "\".");
        if (!ok)
            return fail(error);
    }
    if (o.bDemo && !o.strPort.empty())
        return fail("--demo and --port cannot be used together: the demo brings its own port.");
    return r;
}
