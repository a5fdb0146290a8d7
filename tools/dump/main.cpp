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
    const bool bRead =
        options.strPort.empty()
            ? inspector.FeedFile(options.strFile, error)
            : CapturePort({options.strPort, options.strSave, options.nTimeLimit}, inspector, error);
    if (!bRead) {
        inspector.Finish();
        std::cerr << "lumetto-dump: " << error << "\n";
        return 1;
    }
    return inspector.Finish() ? 0 : 1;
}
