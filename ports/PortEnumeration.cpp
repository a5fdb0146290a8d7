#include "ports/PortEnumeration.h"

#include "platform/PortNameTable.h"

#include <utility>

void ListDosComPorts(PortInfoArray& ports, IComPortQuery& query) {
    for (PortInfo& port : query.QueryPorts()) {
        std::string strName = CPortNameTable::NormalizeComName(port.strPortName);
        if (strName.empty())
            continue;
        port.strPortName = std::move(strName);
        ports.push_back(std::move(port));
    }
}

void CompletePortInfo(PortInfo& port) {
    if (!port.strFriendlyName.empty())
        return;
    std::string text = port.strPortName;
    if (port.bNamed) {
        port.strFriendlyName = std::move(text);
        return;
    }
    if (!port.strDescription.empty())
        text += " \u2014 " + port.strDescription; // an em dash
    std::string where = port.bUsb ? "USB" : port.bBluetooth ? "Bluetooth" : "";
    if (!port.strDevicePath.empty())
        where += (where.empty() ? "" : ", ") + port.strDevicePath;
    if (!where.empty())
        text += " (" + where + ")";
    port.strFriendlyName = std::move(text);
}

void EnumerateComPorts(PortInfoArray& ports, IComPortQuery& query,
                       const std::vector<std::string>& programPorts) {
    ports.clear();
    ListDosComPorts(ports, query);
    for (const std::string& strName : programPorts) {
        PortInfo port;
        port.strPortName = strName;
        port.bNamed = true;
        ports.push_back(std::move(port));
    }
    for (PortInfo& port : ports)
        CompletePortInfo(port);
}

void EnumerateComPorts(PortInfoArray& ports, const std::vector<std::string>& programPorts) {
    const std::unique_ptr<IComPortQuery> query = MakeSystemComPortQuery();
    EnumerateComPorts(ports, *query, programPorts);
}

bool NamesPort(const PortInfo& port, const std::string& strName) {
    if (strName.empty())
        return false;
    if (strName == port.strPortName || strName == port.strDevicePath)
        return true;
    return !port.bNamed && CPortNameTable::NormalizeComName(strName) == port.strPortName;
}
