#include "ports/PosixComPortQuery.h"

#include <cstring>

bool CPosixComPortQuery::QueryVersion(std::uint32_t& dwPlatformId) {
    dwPlatformId = VER_PLATFORM_WIN32_NT;
    return true;
}

std::uint32_t CPosixComPortQuery::QueryDosDeviceNames(char* pBuffer, std::uint32_t nCapacity) {
    std::string list;
    for (const PortNameEntry& entry : m_table.Entries()) {
        if (entry.bProgram)
            continue;
        list += entry.strName;
        list += '\0';
    }
    list += '\0';
    if (pBuffer == nullptr || list.size() > nCapacity)
        return 0;
    // The list carries its own terminating null characters.
    std::memcpy(pBuffer, list.data(), list.size()); // NOLINT(bugprone-not-null-terminated-result)
    return static_cast<std::uint32_t>(list.size());
}

std::string CPosixComPortQuery::FriendlyName(const std::string& strPortName) {
    for (const PortNameEntry& entry : m_table.Entries())
        if (!entry.bProgram && entry.strName == strPortName)
            return CPortNameTable::DisplayName(entry);
    return {};
}

std::vector<std::string> CPosixComPortQuery::NamedPorts() {
    std::vector<std::string> names;
    for (const PortNameEntry& entry : m_table.Entries())
        if (entry.bProgram)
            names.push_back(entry.strName);
    return names;
}
