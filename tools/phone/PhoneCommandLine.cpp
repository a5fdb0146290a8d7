#include "tools/phone/PhoneCommandLine.h"

#include "codec/ScreenFormat.h"
#include "platform/AnsweredOptions.h"
#include "platform/OptionParser.h"

#include <cstdio>
#include <iterator>
#include <limits>
#include <utility>
#include <vector>

namespace {

const char kUsageStart[] =
    R"(Usage: lumetto-phone [OPTIONS] [IMAGE...]

Simulates a phone that sends pictures of its screen over a serial line: first a
header frame with the whole picture, then frames with only the changed pixels.

Pictures come from the IMAGE files (any format Qt reads; each is scaled to the
screen, keeping its proportions, and the files are shown in turn, one a frame)
or, without files, from a built-in home screen with a running clock.

Output (exactly one):
)";

const char kUsageOptions[] = "\nOptions:\n";

const char kUsageEnd[] = R"(
Options take their value as the next argument or after "=" (--fps=10).

The simulator stops when the other side sends "close_tx" (the PC closed the
connection), on SIGINT or SIGTERM (the frame on the line is finished first; a
second signal stops at once), or when --frames or --seconds is reached. At the
end it prints the number of frames and bytes sent on standard error.
)";

const char kVersion[] = "lumetto-phone, Lumetto version " LUMETTO_VERSION "\n";

// Where --help starts the text of each option.
constexpr std::size_t kHelpColumn = 21;

// What the options read into: the simulator's settings, --help and
// --version, and how many outputs were named.
struct PhoneReading {
    PhoneOptions& o;
    CAnsweredOptions& answered;
    int nOutputs = 0;
};

bool ToClock(const std::string& strText, int& seconds) {
    int h = 0, m = 0, sec = 0;
    char extra = 0;
    if (std::sscanf(strText.c_str(), "%d:%d:%d%c", &h, &m, &sec, &extra) != 3 || h < 0 || h > 23 ||
        m < 0 || m > 59 || sec < 0 || sec > 59)
        return false;
    seconds = h * 3600 + m * 60 + sec;
    return true;
}

// A number from dMin to dMax into d.
std::function<bool(const std::string&)> TakesNumber(double& d, double dMin, double dMax) {
    return [&d, dMin, dMax](const std::string& strValue) {
        return ReadNumber(strValue, d) && d >= dMin && d <= dMax;
    };
}

// --port, --out and --pty: where the stream goes.
std::vector<CommandOption> OutputOptions(PhoneReading& r) {
    auto output = [&r](PhoneOptions::Output eOutput) {
        return [&r, eOutput](const std::string& strPath) {
            r.o.eOutput = eOutput;
            r.o.strPath = strPath;
            ++r.nOutputs;
            return true;
        };
    };
    return {
        {"--port", "PATH", "write to a serial device (set to raw 115200 8N1) or any path",
         output(PhoneOptions::Output::Port), "needs a path"},
        {"--out", "FILE", "write the byte stream to FILE (\"-\" for standard output)",
         output(PhoneOptions::Output::File), "needs a path"},
        {"--pty", "",
         "create a pseudo-terminal, print the path to open on standard\n"
         "output on its own line, and serve whoever opens it; each new\n"
         "reader gets a header frame first",
         output(PhoneOptions::Output::Pty)},
    };
}

// The options that set how and what the simulator sends, then --help and
// --version.
std::vector<CommandOption> OtherOptions(PhoneReading& r) {
    PhoneOptions& o = r.o;
    std::vector<CommandOption> options = {
        {"--fps", "N", "frames a second (default 5; 0: as fast as the line takes them)",
         TakesNumber(o.dFps, 0, 10000), "needs a number from 0 to 10000"},
        {"--rate", "BAUD",
         "line rate the writes are paced at, 10 bits a byte\n"
         "(default 115200; 0: unpaced, as fast as the reader takes)",
         TakesWholeNumber(o.nBaud, 0, 100000000), "needs a line rate in baud (0 for unpaced)"},
        {"--frames", "N", "stop after N frames (default: run until stopped)",
         TakesWholeNumber(o.nFrames, 0, std::numeric_limits<long long>::max()),
         "needs a count of 0 or more"},
        {"--seconds", "S", "stop after S seconds (default: run until stopped)",
         TakesNumber(o.dSeconds, 0, std::numeric_limits<double>::max()),
         "needs a number of seconds"},
        {"--format", "8|12",
         "colour format: 12 = 12-bit direct colour (default),\n"
         "8 = palette of up to 256 colours",
         [&o, take = TakesWholeNumber(o.nFormat, 8, 12)](const std::string& strValue) {
             return take(strValue) && (o.nFormat == 8 || o.nFormat == 12);
         },
         "is 8 or 12"},
        {"--platform", "s60|uiq", "screen size: s60 = 176 x 208 (default), uiq = 208 x 320",
         [&o](const std::string& v) {
             const bool bS60 = v == "s60" || v == "S60", bUiq = v == "uiq" || v == "UIQ";
             o.nPlatform = bUiq ? lumetto::kPlatformUIQ : lumetto::kPlatformS60;
             return bS60 || bUiq;
         },
         "is s60 or uiq"},
        {"--header-every", "N",
         "send a header frame (whole picture) again every N frames\n"
         "(default 0: only the first frame)",
         TakesWholeNumber(o.nHeaderEvery, 0, 1000000000),
         "needs a count of frames (0: only the first)"},
        {"--close", "", "end with the phone's closing notice frame", SetsFlag(o.bClose)},
        {"--clock", "HH:MM:SS", "start the scene's clock at this time instead of now",
         [&o](const std::string& strValue) {
             int seconds = 0;
             if (!ToClock(strValue, seconds))
                 return false;
             o.clockSeconds = seconds;
             return true;
         },
         "needs a time as HH:MM:SS"},
    };
    r.answered.AddRowsTo(options);
    return options;
}

CAnsweredOptions Answered() {
    return {"lumetto-phone", PhoneUsage, kVersion};
}

} // namespace

const char* PhoneUsage() {
    static const std::string usage = [] {
        PhoneOptions unused;
        CAnsweredOptions answered = Answered();
        PhoneReading r{unused, answered};
        return kUsageStart + OptionHelp(OutputOptions(r), kHelpColumn) + kUsageOptions +
               OptionHelp(OtherOptions(r), kHelpColumn) + kUsageEnd;
    }();
    return usage.c_str();
}

bool ParsePhoneOptions(int argc, const char* const* argv, PhoneOptions& o, std::string& message,
                       bool& bHelp) {
    CAnsweredOptions answered = Answered();
    PhoneReading r{o, answered};
    std::vector<CommandOption> options = OutputOptions(r), others = OtherOptions(r);
    options.insert(options.end(), std::make_move_iterator(others.begin()),
                   std::make_move_iterator(others.end()));
    COptionParser parser(std::move(options));
    parser.SetOperandHandler([&o](const std::string& strImage) {
        o.images.push_back(strImage);
        return std::string();
    });
    std::string mistake = parser.Parse(argc, argv);
    if (mistake.empty() && r.nOutputs == 0)
        mistake = "Say where to send the stream: --port PATH, --out FILE or --pty.";
    else if (mistake.empty() && r.nOutputs > 1)
        mistake = "Give only one of --port, --out and --pty.";
    return answered.Outcome(mistake, message, bHelp);
}
