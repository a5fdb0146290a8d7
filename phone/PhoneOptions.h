// What the simulated phone sends, where, and how fast: set from lumetto-phone's
// command line or by the program's demo phone.
#pragma once

#include "codec/ScreenFormat.h"

#include <optional>
#include <string>
#include <vector>

struct PhoneOptions {
    enum class Output { None, Port, File, Pty };

    Output eOutput = Output::None;
    std::string strPath;             // --port PATH or --out FILE
    double dFps = 5;                 // frames a second; 0: as fast as the line takes them
    unsigned nBaud = 115200;         // paced line rate; 0: unpaced
    long long nFrames = -1;          // stop after this many frames; -1: no limit
    double dSeconds = -1;            // stop after this many seconds; < 0: no limit
    int nFormat = 12;                // 8 or 12
    int nPlatform = 0;               // 0 S60 (176 x 208), 1 UIQ (208 x 320)
    int nHeaderEvery = 0;            // a header frame every N frames; 0: only the first
    bool bClose = false;             // end with the closing notice
    std::optional<int> clockSeconds; // --clock HH:MM:SS: the scene's clock starts there
    std::vector<std::string> images; // pictures to send instead of the scene

    int Width() const {
        return nPlatform == lumetto::kPlatformUIQ ? lumetto::kUIQWidth : lumetto::kS60Width;
    }
    int Height() const {
        return nPlatform == lumetto::kPlatformUIQ ? lumetto::kUIQHeight : lumetto::kS60Height;
    }
};
