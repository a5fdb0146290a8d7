#include "tools/phone/PhoneCommandLine.h"

#include "codec/ScreenFormat.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

const char kUsage[] =
    R"(Usage: lumetto-phone [OPTIONS] [IMAGE...]

Simulates a phone that sends pictures of its screen over a serial line: first a
header frame with the whole picture, then frames with only the changed pixels.

Pictures come from the IMAGE files (any format Qt reads; each is scaled to the
screen, keeping its proportions, and the files are shown in turn, one a frame)
or, without files, from a built-in home screen with a running clock.

Output (exactly one):
  --port PATH        write to a serial device (set to raw 115200 8N1) or any path
  --out FILE         write the byte stream to FILE ("-" for standard output)
  --pty              create a pseudo-terminal, print the path to open on standard
                     output on its own line, and serve whoever opens it; each new
                     reader gets a header frame first

Options:
  --fps N            frames a second (default 5; 0: as fast as the line takes them)
  --rate BAUD        line rate the writes are paced at, 10 bits a byte
                     (default 115200; 0: unpaced, as fast as the reader takes)
  --frames N         stop after N frames (default: run until stopped)
  --seconds S        stop after S seconds (default: run until stopped)
  --format 8|12      colour format: 12 = 12-bit direct colour (default),
                     8 = palette of up to 256 colours
  --platform s60|uiq screen size: s60 = 176 x 208 (default), uiq = 208 x 320
  --header-every N   send a header frame (whole picture) again every N frames
                     (default 0: only the first frame)
  --close            end with the phone's closing notice frame
  --clock HH:MM:SS   start the scene's clock at this time instead of now
  --help             show this text
  --version          show the version

Options take their value as the next argument or after "=" (--fps=10).

The simulator stops when the other side sends "close_tx" (the PC closed the
connection), on SIGINT or SIGTERM (the frame on the line is finished first; a
second signal stops at once), or when --frames or --seconds is reached. At the
end it prints the number of frames and bytes sent on standard error.
)";

const char kVersion[] = "lumetto-phone, Lumetto version " LUMETTO_VERSION "\n";

bool ToNumber(const char* s, long long& v) {
    const char* end = s + std::strlen(s);
    auto [p, ec] = std::from_chars(s, end, v);
    return ec == std::errc() && p == end;
}

bool ToDouble(const char* s, double& v) {
    char* end = nullptr;
    v = std::strtod(s, &end);
    return *s != '\0' && end && *end == '\0' && std::isfinite(v);
}

bool ToClock(const char* s, int& seconds) {
    int h = 0, m = 0, sec = 0;
    char extra = 0;
    if (std::sscanf(s, "%d:%d:%d%c", &h, &m, &sec, &extra) != 3 || h < 0 || h > 23 || m < 0 ||
        m > 59 || sec < 0 || sec > 59)
        return false;
    seconds = h * 3600 + m * 60 + sec;
    return true;
}

} // namespace

const char* PhoneUsage() {
    return kUsage;
}

bool ParsePhoneOptions(int argc, const char* const* argv, PhoneOptions& o, std::string& message,
                       bool& bHelp) {
    bHelp = false;
    int outputs = 0;
    // One line that says what is wrong, then where the options are explained.
    auto error = [&](const std::string& text) {
        message = "lumetto-phone: " + text + "\nSee 'lumetto-phone --help'.";
        return false;
    };
    for (int i = 1; i < argc; ++i) {
        // An option's value follows it as the next argument or after '='.
        std::string name = argv[i];
        std::string value;
        bool hasValue = false;
        if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
            hasValue = true;
        }
        auto takeValue = [&]() {
            if (!hasValue && i + 1 < argc) {
                value = argv[++i];
                hasValue = true;
            }
            return hasValue && !value.empty();
        };
        auto isFlag = [&](const char* flag) { return name == flag && !hasValue; };
        long long n = 0;
        if (name == "--help" || name == "-h" || name == "--version") {
            if (hasValue)
                return error(name + " takes no value.");
            bHelp = true;
            message = name == "--version" ? kVersion : kUsage;
            return false;
        } else if (isFlag("--pty")) {
            o.eOutput = PhoneOptions::Output::Pty;
            ++outputs;
        } else if (isFlag("--close")) {
            o.bClose = true;
        } else if (name == "--pty" || name == "--close") {
            return error(name + " takes no value.");
        } else if (name == "--port" || name == "--out") {
            if (!takeValue())
                return error(name + " needs a path.");
            o.eOutput = name == "--port" ? PhoneOptions::Output::Port : PhoneOptions::Output::File;
            o.strPath = value;
            ++outputs;
        } else if (name == "--fps") {
            if (!takeValue() || !ToDouble(value.c_str(), o.dFps) || o.dFps < 0 || o.dFps > 10000)
                return error("--fps needs a number from 0 to 10000.");
        } else if (name == "--rate") {
            if (!takeValue() || !ToNumber(value.c_str(), n) || n < 0 || n > 100000000)
                return error("--rate needs a line rate in baud (0 for unpaced).");
            o.nBaud = unsigned(n);
        } else if (name == "--frames") {
            if (!takeValue() || !ToNumber(value.c_str(), n) || n < 0)
                return error("--frames needs a count of 0 or more.");
            o.nFrames = n;
        } else if (name == "--seconds") {
            if (!takeValue() || !ToDouble(value.c_str(), o.dSeconds) || o.dSeconds < 0)
                return error("--seconds needs a number of seconds.");
        } else if (name == "--format") {
            if (!takeValue() || !ToNumber(value.c_str(), n) || (n != 8 && n != 12))
                return error("--format is 8 or 12.");
            o.nFormat = int(n);
        } else if (name == "--platform") {
            takeValue();
            if (value == "s60" || value == "S60")
                o.nPlatform = lumetto::kPlatformS60;
            else if (value == "uiq" || value == "UIQ")
                o.nPlatform = lumetto::kPlatformUIQ;
            else
                return error("--platform is s60 or uiq.");
        } else if (name == "--header-every") {
            if (!takeValue() || !ToNumber(value.c_str(), n) || n < 0 || n > 1000000000)
                return error("--header-every needs a count of frames (0: only the first).");
            o.nHeaderEvery = int(n);
        } else if (name == "--clock") {
            int s = 0;
            if (!takeValue() || !ToClock(value.c_str(), s))
                return error("--clock needs a time as HH:MM:SS.");
            o.clockSeconds = s;
        } else if (name.size() > 1 && name[0] == '-') {
            return error("Unknown option \"" + std::string(argv[i]) + "\".");
        } else {
            o.images.push_back(name);
        }
    }
    if (outputs == 0)
        return error("Say where to send the stream: --port PATH, --out FILE or --pty.");
    if (outputs > 1)
        return error("Give only one of --port, --out and --pty.");
    return true;
}
