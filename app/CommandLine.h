// The program's command line.
#pragma once

#include <string>
#include <vector>

struct CommandLineOptions {
    std::string strPort;       // --port: open this port at start instead of the dialog
    std::string strRecord;     // --record: record from the first live picture on
    std::string strCapture;    // --capture: save the live picture when the program ends
    double dTimeLimit = 0;     // --time-limit: seconds until the program ends; 0 = none
    bool bExitOnClose = false; // --exit-on-close: end when the phone closes
    bool bNoWindow = false;    // --no-window: no window, messages on standard error
    bool bZoom = false;        // --zoom: start at 200 %
    bool bDemo = false;        // --demo: connect to a built-in phone simulator
    bool bFullscreen = false;  // --fullscreen: start in presentation mode
    int nScreen = 0;           // --screen: the screen (1-based) for presentation; 0 = the window's
    bool bNoReconnect = false; // --no-reconnect: a lost connection is not opened again
    int nRecordScale = 0;      // --record-scale: MP4 scale factor 1..8; 0 = the default rule
    std::string strFrameTrace; // --frame-trace: note when each received screen was shown
    std::string strCheckSkin;  // --check-skin: report on this skin file and exit
    bool bListSkins = false;   // --list-skins: list the skins found and exit
    // For this run only, over the remembered choices:
    std::string strSkin;        // --skin: a skin by its menu name, or a skin file
    bool bAlwaysOnTop = false;  // --always-on-top: the window stays above others
    std::string strWindowTitle; // --window-title: the caption's program part
    int nRecordSkin = -1;       // --record-skin 1, --no-record-skin 0, -1 remembered
    bool bHelp = false;
    bool bVersion = false;
};

struct CommandLineResult {
    bool bOk = true;
    std::string strError; // what was wrong, when bOk is false
    CommandLineOptions options;
    // Qt's own options (-platform offscreen, -style=fusion, ...) with their
    // values, in the order given: the only arguments Qt gets to see.
    std::vector<std::string> qtArgs;
    // The -platform (or --platform) value among them; empty when none.
    std::string strQtPlatform;
};

// Largest --time-limit: about 31 years.
constexpr double kMaxTimeLimitSeconds = 1e9;

// Parses the arguments after the program name, Qt's own options included,
// without needing Qt. Options take their value as the next argument, even
// one that starts with a dash, or after '=' (--port=COM3). Every error
// message ends with the line "See 'lumetto --help'."
CommandLineResult ParseCommandLine(const std::vector<std::string>& args);

// The text --help prints.
const char* CommandLineHelp();

// The version --version prints.
const char* ProgramVersion();
