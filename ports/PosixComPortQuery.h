// The system's serial ports on POSIX: the entries of the port-name table
// (LUMETTO_PORTS and the machine's serial devices), in table order, each
// described from sysfs (see TtyDeviceInfo.h). The program's own ports of the
// table are left to the caller, who lists them by name.
#pragma once

#include "platform/PortNameTable.h"
#include "ports/ComPortQuery.h"

#include <string>

class CPosixComPortQuery : public IComPortQuery {
public:
    // strSysRoot: where sysfs is mounted; a test gives a tree of its own.
    explicit CPosixComPortQuery(CPortNameTable table, std::string strSysRoot = "/sys")
        : m_table(std::move(table)), m_strSysRoot(std::move(strSysRoot)) {}

    PortInfoArray QueryPorts() override;

private:
    CPortNameTable m_table;
    std::string m_strSysRoot;
};
