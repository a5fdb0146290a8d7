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
    "  --help      show this text\n";

} // namespace

int main(int argc, char** argv) {
    std::string outDir, file;
    bool haveFile = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return 0;
        }
        if (arg == "--out" && i + 1 < argc) {
            outDir = argv[++i];
        } else if (arg.rfind("--out=", 0) == 0) {
            outDir = arg.substr(6);
        } else if ((arg == "-" || arg[0] != '-') && !haveFile) {
            file = arg;
            haveFile = true;
        } else {
            std::cerr << "lumetto-dump: unexpected argument \"" << arg << "\"\n" << kUsage;
            return 2;
        }
    }
    if (!haveFile) {
        std::cerr << kUsage;
        return 2;
    }
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
