// The port-name table's view of a POSIX system: the serial device files in
// /dev, and which /dev/ttyS* have a UART behind them.
#include "platform/PortNameTable.h"

#include <dirent.h>
#include <fstream>

bool CPortNameTable::SysfsHasHardware(const std::string& strDevName) {
    // The serial core reports the UART type; 0 is "unknown", i.e. no UART.
    std::ifstream in("/sys/class/tty/" + strDevName + "/type");
    int type = 0;
    return in && (in >> type) && type != 0;
}

CPortNameTable CPortNameTable::SystemTable(const std::string& strAliases) {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir("/dev")) {
        while (const dirent* e = ::readdir(dir))
            names.emplace_back(e->d_name);
        ::closedir(dir);
    }
    return Build(strAliases, names, &CPortNameTable::SysfsHasHardware);
}

bool CPortNameTable::IsDevicePath(const std::string& strName) {
    return !strName.empty() && strName[0] == '/';
}
