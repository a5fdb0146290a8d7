#include "tools/dump/DumpCommandLine.h"

#include "platform/OptionParser.h"

#include <vector>

namespace {

const char kUsageStart[] =
    "Usage: lumetto-dump [--out DIR] FILE\n"
    "Reads a raw capture of the phone's byte stream (FILE, or - for standard input),\n"
    "cuts it into frames and decodes each screen exactly as Lumetto does, and prints\n"
    "one line per frame and a summary.\n"
    "\n";

const char kUsageEnd[] =
    "\n"
    "Options take their value as the next argument or after \"=\" (--out=DIR).\n";

const char kVersion[] = "lumetto-dump, Lumetto version " LUMETTO_VERSION "\n";

// Where --help starts the text of each option.
constexpr std::size_t kHelpColumn = 14;

// What the options read into: the settings, and whether --help or --version
// was asked for.
struct DumpReading {
    DumpOptions& o;
    bool bHelp = false;
    bool bVersion = false;
};

std::vector<CommandOption> DumpOptionTable(DumpReading& r) {
    return {
        {"--out", "DIR",
         "write each decoded screen as DIR/frame-NNNNN.bmp (24-bit BMP,\n"
         "NNNNN counts screen frames from 00001)",
         StoresText(r.o.strOutDir), "needs a folder"},
        {.strName = "--help",
         .strHelp = "show this text",
         .take = SetsFlag(r.bHelp),
         .bAnswers = true},
        {.strName = "-h", .take = SetsFlag(r.bHelp), .bAnswers = true},
        {.strName = "--version",
         .strHelp = "show the version",
         .take = SetsFlag(r.bVersion),
         .bAnswers = true},
    };
}

std::string Usage() {
    DumpOptions unused;
    DumpReading r{unused};
    return kUsageStart + OptionHelp(DumpOptionTable(r), kHelpColumn) + kUsageEnd;
}

} // namespace

bool ParseDumpOptions(int argc, const char* const* argv, DumpOptions& o, std::string& message,
                      bool& bHelp) {
    DumpReading r{o};
    COptionParser parser(DumpOptionTable(r));
    bool bHaveFile = false;
    parser.SetOperandHandler([&](const std::string& strFile) {
        if (bHaveFile)
            return "Give one capture to read, not \"" + o.strFile + "\" and \"" + strFile + "\".";
        o.strFile = strFile;
        bHaveFile = true;
        return std::string();
    });
    std::string mistake = parser.Parse(argc, argv);
    bHelp = mistake.empty() && (r.bHelp || r.bVersion);
    if (bHelp) {
        message = r.bHelp ? Usage() : kVersion;
        return false;
    }
    if (mistake.empty() && !bHaveFile)
        mistake = "Say which capture to read: FILE, or - for standard input.";
    if (mistake.empty())
        return true;
    message = "lumetto-dump: " + WithHelpHint("lumetto-dump", mistake);
    return false;
}
