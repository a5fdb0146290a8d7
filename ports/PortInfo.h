// One enumerated serial port, and the ordered list the enumeration fills.
#pragma once

#include <string>
#include <vector>

struct PortInfo {
    std::string strDevicePath;   // "\\.\" followed by the port name
    std::string strPortName;     // as the system reports it, e.g. "COM3"
    std::string strFriendlyName; // the text the port list shows
    bool bUsb = false;           // reached through USB; the listing cannot tell, always false
    std::string strDescription;  // the friendly name without a trailing "(...)" part
    bool bNamed = false;         // a port of the program's own, chosen by its name, not COMn
};

// Entries in the order of discovery; never sorted, no duplicate check.
using PortInfoArray = std::vector<PortInfo>;
