// The system's serial ports as the port-name table lists them (LUMETTO_PORTS
// and the machine's serial devices: on Linux its tty devices, on Windows the
// COM devices the system names), in table order, each described from sysfs
// where there is one (see TtyDeviceInfo.h). The program's own ports of the
// table are left to the caller, who lists them by name. The one query today;
// a system with a device query of its own plugs in beside it.
#pragma once

#include "platform/PortNameTable.h"
#include "ports/ComPortQuery.h"

#include <string>

class CTableComPortQuery : public IComPortQuery {
public:
    // strSysRoot: where sysfs is mounted; a test gives a tree of its own.
    explicit CTableComPortQuery(CPortNameTable table, std::string strSysRoot = "/sys")
        : m_table(std::move(table)), m_strSysRoot(std::move(strSysRoot)) {}

    PortInfoArray QueryPorts() override;

private:
    CPortNameTable m_table;
    std::string m_strSysRoot;
};
