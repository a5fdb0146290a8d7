// A live capture for lumetto-dump: reads the phone's stream from a serial
// port through the platform's serial device, as the driver opens and sets
// it up (115200 baud, 8N1, raw, RTS raised), and feeds it to the inspector
// as it arrives, until Ctrl+C, the time limit or the line's end.
#pragma once

#include <string>

class CStreamInspector;

struct PortCaptureOptions {
    std::string strPort; // COMn or a device path
    std::string strSave; // keeps the raw bytes, or empty
    int nTimeLimit = 0;  // seconds; 0: no limit
};

// Runs the capture; false with strError a sentence for the user when the port
// cannot be opened, the raw file cannot be written or the connection was
// lost (what arrived before was fed all the same).
bool CapturePort(const PortCaptureOptions& options, CStreamInspector& inspector,
                 std::string& strError);
