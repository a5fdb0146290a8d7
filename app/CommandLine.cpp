#include "app/CommandLine.h"

#include <cmath>
#include <cstdlib>

namespace {

const char kHelp[] =
    "Usage: lumetto [OPTIONS]\n"
    "Shows the screen of an S60 or UIQ phone, connected by a serial port, inside a\n"
    "picture of the phone. Without options the \"COM ports\" dialog opens at start.\n"
    "\n"
    "Options:\n"
    "  --port NAME           open NAME at start instead of showing the \"COM ports\"\n"
    "                        dialog: a COM name (COM3) or a device path (/dev/ttyACM0)\n"
    "  --record FILE         record an AVI movie into FILE from the first live picture\n"
    "  --capture FILE        when the program ends, save the live picture as the BMP\n"
    "                        screenshot FILE\n"
    "  --time-limit SECONDS  end the program after SECONDS, as Exit does, without the\n"
    "                        exit question; a recording is finished properly\n"
    "  --exit-on-close       end the program when the phone sends its closing notice\n"
    "  --no-window           run without any window; messages go to standard error\n"
    "  --zoom                start at 200 %\n"
    "  --demo                connect to a built-in phone simulator, to see the program\n"
    "                        work without a phone\n"
    "  --fullscreen          start in presentation mode (F11)\n"
    "  --screen N            the screen for presentation mode, counted from 1\n"
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
    "\n"
    "Environment:\n"
    "  LUMETTO_PORTS         extra COM names for devices, e.g. "
    "\"COM7=/dev/pts/3;COM8=/dev/rfcomm0\"\n";

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
        r.strError = text;
        return r;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        bool hasValue = false;
        if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
            hasValue = true;
        }
        std::string error;
        auto takeValue = [&](std::string& into) {
            if (!hasValue && i + 1 < args.size())
                value = args[++i];
            into = value;
            if (into.empty())
                error = name + " needs a value. See lumetto --help.";
            return error.empty();
        };
        auto noValue = [&](bool& flag) {
            flag = true;
            if (hasValue)
                error = name + " takes no value.";
            return error.empty();
        };
        bool ok = true;
        if (name == "--port")
            ok = takeValue(o.strPort);
        else if (name == "--record")
            ok = takeValue(o.strRecord);
        else if (name == "--capture")
            ok = takeValue(o.strCapture);
        else if (name == "--time-limit") {
            std::string text;
            ok = takeValue(text);
            if (ok) {
                char* end = nullptr;
                o.dTimeLimit = std::strtod(text.c_str(), &end);
                if (*end != '\0' || !std::isfinite(o.dTimeLimit) || o.dTimeLimit <= 0 ||
                    o.dTimeLimit > 1e9)
                    return fail("--time-limit needs a number of seconds above 0, not \"" + text +
                                "\".");
            }
        } else if (name == "--exit-on-close")
            ok = noValue(o.bExitOnClose);
        else if (name == "--no-window")
            ok = noValue(o.bNoWindow);
        else if (name == "--zoom")
            ok = noValue(o.bZoom);
        else if (name == "--demo")
            ok = noValue(o.bDemo);
        else if (name == "--fullscreen")
            ok = noValue(o.bFullscreen);
        else if (name == "--screen") {
            std::string text;
            ok = takeValue(text);
            char* end = nullptr;
            const long n = ok ? std::strtol(text.c_str(), &end, 10) : 0;
            if (ok && (*end != '\0' || n < 1 || n > 64))
                return fail("--screen needs a screen number from 1, not \"" + text + "\".");
            o.nScreen = static_cast<int>(n);
        } else if (name == "--check-skin")
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
            return fail("Unknown option \"" + args[i] + "\". See lumetto --help.");
        if (!ok)
            return fail(error);
    }
    if (o.bDemo && !o.strPort.empty())
        return fail("--demo and --port cannot be used together: the demo brings its own port.");
    return r;
}
