#include "tools/dump/DumpCommandLine.h"

#include "platform/AnsweredOptions.h"
#include "platform/OptionParser.h"

#include <vector>

namespace {

const char kUsageStart[] =
    "Usage: lumetto-dump [--out DIR] FILE\n"
    "Reads a raw capture of the phone's byte stream (FILE, or - for standard input),\n"
    "cuts it into frames and decodes each screen exactly as Lumetto does, and prints\n"
    "one line per frame and a summary.\n"
    "The exit status is 1 when FILE cannot be read, holds no frame at all, or a\n"
    "bitmap cannot be written; 2 for a mistake on the command line.\n"
    "\n";

const char kUsageEnd[] =
    "\n"
    "Options take their value as the next argument or after \"=\" (--out=DIR).\n";

const char kVersion[] = "lumetto-dump, Lumetto version " LUMETTO_VERSION "\n";

// Where --help starts the text of each option.
constexpr std::size_t kHelpColumn = 14;

std::string Usage();

CAnsweredOptions Answered() {
    return {"lumetto-dump", Usage, kVersion};
}

// --out, then --help and --version.
std::vector<CommandOption> DumpOptionTable(DumpOptions& o, CAnsweredOptions& answered) {
    std::vector<CommandOption> options = {
        {"--out", "DIR",
         "write each decoded screen as DIR/frame-NNNNN.bmp (24-bit BMP,\n"
         "NNNNN counts screen frames from 00001)",
         StoresText(o.strOutDir), "needs a folder"},
    };
    answered.AddRowsTo(options);
    return options;
}

std::string Usage() {
    DumpOptions unused;
    CAnsweredOptions answered = Answered();
    return kUsageStart + OptionHelp(DumpOptionTable(unused, answered), kHelpColumn) + kUsageEnd;
}

} // namespace

bool ParseDumpOptions(int argc, const char* const* argv, DumpOptions& o, std::string& message,
                      bool& bHelp) {
    CAnsweredOptions answered = Answered();
    COptionParser parser(DumpOptionTable(o, answered));
    bool bHaveFile = false;
    parser.SetOperandHandler([&](const std::string& strFile) {
        if (bHaveFile)
            return "Give one capture to read, not \"" + o.strFile + "\" and \"" + strFile + "\".";
        o.strFile = strFile;
        bHaveFile = true;
        return std::string();
    });
    std::string mistake = parser.Parse(argc, argv);
    if (mistake.empty() && !bHaveFile)
        mistake = "Say which capture to read: FILE, or - for standard input.";
    return answered.Outcome(mistake, message, bHelp);
}
