// One port of the "COM ports" list, and the ordered list the enumeration fills.
#pragma once

#include <string>
#include <vector>

struct PortInfo {
    std::string strDevicePath;   // the device the port opens, e.g. "/dev/ttyACM0"
    std::string strPortName;     // "COM3", or the name of a port of the program's own
    std::string strFriendlyName; // the text the list shows
    bool bUsb = false;           // the device is reached through USB
    std::string strDescription;  // what the device is: maker and product, a Bluetooth address
    bool bBluetooth = false;     // the device is a Bluetooth serial link
    bool bNamed = false;         // a port of the program's own, chosen by its name, not COMn
};

// Entries in the order of discovery; never sorted.
using PortInfoArray = std::vector<PortInfo>;
