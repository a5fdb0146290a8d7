#include "ports/PortEnumeration.h"

#include "platform/PortNameTable.h"
#include "ports/PosixComPortQuery.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr const char* kDevicePrefix = "\\\\.\\";

PortInfo MakeEntry(const std::string& strName, IComPortQuery& query) {
    PortInfo port;
    port.strDevicePath = kDevicePrefix + strName;
    port.strPortName = strName;
    port.strFriendlyName = strName;
    // Where the system can tell more than the name (the device behind it), the
    // list shows that; the description is still derived from it below.
    std::string strFriendly = query.FriendlyName(strName);
    if (!strFriendly.empty())
        port.strFriendlyName = std::move(strFriendly);
    port.bUsb = false;
    return port;
}

// "COM" in any letter case, then one or two more characters.
bool IsComDeviceName(const char* pName, std::size_t nLength) {
    if (nLength <= 3 || nLength > 5)
        return false;
    for (int i = 0; i < 3; ++i)
        if (std::toupper(static_cast<unsigned char>(pName[i])) != "COM"[i])
            return false;
    return true;
}

} // namespace

std::string OsVersionErrorMessage(std::uint32_t nError) {
    char text[64];
    std::snprintf(text, sizeof text, "Could not get OS version. (err=%lx)",
                  static_cast<unsigned long>(nError));
    return text;
}

void CompletePortInfo(PortInfo& port) {
    if (port.strFriendlyName.empty())
        port.strFriendlyName = port.strPortName;
    if (port.strDescription.empty()) {
        port.strDescription = port.strFriendlyName;
        const std::size_t s = port.strDescription.find(" (");
        const std::size_t e = port.strDescription.find(')');
        if (s != std::string::npos && s > 0 && e != std::string::npos &&
            e + 1 == port.strDescription.size())
            port.strDescription.resize(s);
    }
}

void ListDosComPorts(PortInfoArray& ports, IComPortQuery& query) {
    std::uint32_t dwPlatformId = 0;
    if (query.QueryVersion(dwPlatformId) && dwPlatformId == VER_PLATFORM_WIN32_NT) {
        // One spare character past the capacity stays NUL, so the walk always
        // finds an end, whatever the query stored.
        std::vector<char> buffer(kDosDeviceBufferSize, '\0');
        std::uint32_t nStored = query.QueryDosDeviceNames(buffer.data(), kDosDeviceCapacity);
        if (nStored == 0)
            return;
        if (nStored > kDosDeviceCapacity)
            nStored = kDosDeviceCapacity;
        std::size_t pos = 0;
        while (pos < nStored && buffer[pos] != '\0') {
            const char* pName = buffer.data() + pos;
            const std::size_t nLength = ::strnlen(pName, kDosDeviceBufferSize - pos);
            if (IsComDeviceName(pName, nLength))
                ports.push_back(MakeEntry(std::string(pName, nLength), query));
            pos += nLength + 1;
        }
        return;
    }
    for (int n = 1; n <= kFixedComPortCount; ++n)
        ports.push_back(MakeEntry("COM" + std::to_string(n), query));
}

void EnumerateComPorts(PortInfoArray& ports, IComPortQuery& query) {
    ports.clear();
    std::uint32_t dwPlatformId = 0;
    if (!query.QueryVersion(dwPlatformId))
        throw OsVersionErrorMessage(query.LastError());
    ListDosComPorts(ports, query);
    for (const std::string& strName : query.NamedPorts()) {
        PortInfo port;
        port.strPortName = strName;
        port.strFriendlyName = strName;
        port.bNamed = true;
        ports.push_back(port);
    }
    for (PortInfo& port : ports)
        CompletePortInfo(port);
}

void EnumerateComPorts(PortInfoArray& ports) {
    std::unique_ptr<IComPortQuery> query = MakeSystemComPortQuery();
    EnumerateComPorts(ports, *query);
}

std::unique_ptr<IComPortQuery> MakeSystemComPortQuery() {
    return std::make_unique<CPosixComPortQuery>(CPortNameTable::FromSystem());
}
