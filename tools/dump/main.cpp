// lumetto-dump: inspects a raw capture of the phone's byte stream, or the
// live stream on a serial port.
#include "platform/AnsweredOptions.h"
#include "platform/Console.h"
#include "tools/dump/DumpCommandLine.h"
#include "tools/dump/PortCapture.h"
#include "tools/dump/StreamInspector.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    const std::vector<std::string> args = ProgramArguments(argc, argv);
    std::vector<const char*> argp;
    for (const std::string& arg : args)
        argp.push_back(arg.c_str());
    DumpOptions options;
    std::string message;
    bool help = false;
    if (!ParseDumpOptions(static_cast<int>(argp.size()), argp.data(), options, message, help))
        return CAnsweredOptions::Print(message, help);
    const std::string& outDir = options.strOutDir;
    std::string error;
    if (!outDir.empty() && !MakeFolder(outDir, error)) {
        std::cerr << "lumetto-dump: cannot create the folder \"" << outDir << "\": " << error
                  << "\n";
        return 1;
    }
    UseBinaryStandardStreams();
    std::ios::sync_with_stdio(false);
    CStreamInspector inspector(std::cout, outDir);
    const bool bLive = !options.strPort.empty();
    const bool bRead = bLive ? CapturePort({options.strPort, options.strSave, options.nTimeLimit},
                                           inspector, error)
                             : inspector.FeedFile(options.strFile, error);
    if (!bRead) {
        // The summary tells what was read before the error; nothing is
        // printed when the input never opened.
        if (bLive ? inspector.ReadAnything() : inspector.InputOpened())
            inspector.Finish();
        std::cerr << "lumetto-dump: " << error << "\n";
        return 1;
    }
    const bool bWritten = inspector.Finish();
    if (!inspector.HadFrames()) {
        if (bLive)
            std::cerr << "lumetto-dump: no frame came from \"" << options.strPort
                      << "\": is the phone's screen sender running?\n";
        else
            std::cerr << "lumetto-dump: no frame was found in \"" << options.strFile
                      << "\": is it a capture of the phone's byte stream?\n";
        return 1;
    }
    return bWritten ? 0 : 1;
}
