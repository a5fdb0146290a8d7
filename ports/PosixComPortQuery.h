// Answers the port enumeration's questions on a POSIX system from the
// port-name table: the system counts as the NT family, its DOS device names are
// the table's COM names in table order, and each port is shown as
// "COM3 (/dev/ttyUSB0)". The program's own ports come as named ports.
#pragma once

#include "platform/PortNameTable.h"
#include "ports/ComPortQuery.h"

class CPosixComPortQuery : public IComPortQuery {
public:
    explicit CPosixComPortQuery(CPortNameTable table) : m_table(std::move(table)) {}

    bool QueryVersion(std::uint32_t& dwPlatformId) override;
    std::uint32_t LastError() override { return 0; }
    std::uint32_t QueryDosDeviceNames(char* pBuffer, std::uint32_t nCapacity) override;
    std::string FriendlyName(const std::string& strPortName) override;
    std::vector<std::string> NamedPorts() override;

private:
    CPortNameTable m_table;
};
