// lumetto-dump: inspects a raw capture of the phone's byte stream.
#include "platform/AnsweredOptions.h"
#include "tools/dump/DumpCommandLine.h"
#include "tools/dump/StreamInspector.h"

#include <cstring>
#include <iostream>
#include <string>
#include <sys/stat.h>

int main(int argc, char** argv) {
    DumpOptions options;
    std::string message;
    bool help = false;
    if (!ParseDumpOptions(argc, argv, options, message, help))
        return CAnsweredOptions::Print(message, help);
    const std::string& outDir = options.strOutDir;
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
    if (!inspector.FeedFile(options.strFile, error)) {
        if (inspector.InputOpened()) // what was read before the error
            inspector.Finish();
        std::cerr << "lumetto-dump: " << error << "\n";
        return 1;
    }
    const bool bWritten = inspector.Finish();
    if (!inspector.HadFrames()) {
        std::cerr << "lumetto-dump: no frame was found in \"" << options.strFile
                  << "\": is it a capture of the phone's byte stream?\n";
        return 1;
    }
    return bWritten ? 0 : 1;
}
