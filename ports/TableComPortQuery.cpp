#include "ports/TableComPortQuery.h"

#include "ports/TtyDeviceInfo.h"

PortInfoArray CTableComPortQuery::QueryPorts() {
    PortInfoArray ports;
    for (const PortNameEntry& entry : m_table.Entries()) {
        if (entry.bProgram)
            continue;
        PortInfo port;
        port.strPortName = entry.strName;
        port.strDevicePath = entry.strDevice;
        const TtyDeviceInfo device = ReadTtyDeviceInfo(entry.strDevice, m_strSysRoot);
        port.bUsb = device.eBus == TtyDeviceInfo::Bus::Usb;
        port.bBluetooth = device.eBus == TtyDeviceInfo::Bus::Bluetooth;
        port.strDescription = device.strWhat;
        ports.push_back(std::move(port));
    }
    return ports;
}

std::unique_ptr<IComPortQuery> MakeSystemComPortQuery() {
    return std::make_unique<CTableComPortQuery>(CPortNameTable::FromSystem());
}
