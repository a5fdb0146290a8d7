// lumetto-dump: inspects a raw capture of the phone's byte stream.
#include "tools/dump/StreamInspector.h"

#include <cstring>
#include <iostream>
#include <string>
#include <sys/stat.h>

namespace {

const char kUsage[] =
    "Usage: lumetto-dump [--out DIR] FILE\n"
    "Reads a raw capture of the phone's byte stream (FILE, or - for standard input),\n"
    "cuts it into frames and decodes each screen exactly as Lumetto does, and prints\n"
    "one line per frame and a summary.\n"
    "\n"
    "  --out DIR   write each decoded screen as DIR/frame-NNNNN.bmp (24-bit BMP,\n"
    "              NNNNN counts screen frames from 00001)\n"
    "  --help      show this text\n"
    "  --version   show the version\n"
    "\n"
    "Options take their value as the next argument or after \"=\" (--out=DIR).\n";

const char kVersion[] = "lumetto-dump, Lumetto version " LUMETTO_VERSION "\n";

// A mistake on the command line: one line that says what is wrong, then the hint.
int Mistake(const std::string& text) {
    std::cerr << "lumetto-dump: " << text << "\nSee 'lumetto-dump --help'.\n";
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::string outDir, file;
    bool haveFile = false;
    for (int i = 1; i < argc; ++i) {
        // An option's value follows it as the next argument or after '='.
        const std::string arg = argv[i];
        std::string name = arg, value;
        bool hasValue = false;
        if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
            hasValue = true;
        }
        if (name == "--help" || name == "-h" || name == "--version") {
            if (hasValue)
                return Mistake(name + " takes no value.");
            std::cout << (name == "--version" ? kVersion : kUsage);
            return 0;
        }
        if (name == "--out") {
            if (!hasValue && i + 1 < argc)
                value = argv[++i];
            if (value.empty())
                return Mistake("--out needs a folder.");
            outDir = value;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return Mistake("Unknown option \"" + arg + "\".");
        } else if (haveFile) {
            return Mistake("Give one capture to read, not \"" + file + "\" and \"" + arg + "\".");
        } else {
            file = arg;
            haveFile = true;
        }
    }
    if (!haveFile)
        return Mistake("Say which capture to read: FILE, or - for standard input.");
    if (!outDir.empty()) {
        struct stat st {};
        if (::stat(outDir.c_str(), &st) != 0 && ::mkdir(outDir.c_str(), 0777) != 0) {
            std::cerr << "lumetto-dump: cannot create the folder \"" << outDir
                      << "\": " << std::strerror(errno) << "\n";
            return 1;
        }
    }
    std::ios::sync_with_stdio(false);
    CStreamInspector inspector(std::cout, outDir);
    std::string error;
    if (!inspector.FeedFile(file, error)) {
        inspector.Finish();
        std::cerr << "lumetto-dump: " << error << "\n";
        return 1;
    }
    return inspector.Finish() ? 0 : 1;
}
