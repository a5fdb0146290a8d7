// The port-name table's view of Windows: the COM ports are the DOS device
// names COMn that QueryDosDeviceW lists, each opened as \\.\COMn.
#include "platform/PortNameTable.h"

#include "platform/win32/Utf16.h"

#include <algorithm>
#include <vector>
#include <windows.h>

namespace {

// All DOS device names, each ended by a NUL; the buffer grows while the
// list does not fit.
std::vector<std::string> DosDeviceNames() {
    std::vector<wchar_t> buffer(16384);
    for (int attempt = 0; attempt < 8; ++attempt) {
        const DWORD n =
            ::QueryDosDeviceW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n > 0) {
            std::vector<std::string> names;
            for (const wchar_t* p = buffer.data(); p < buffer.data() + n && *p != L'\0';) {
                const std::wstring name(p);
                names.push_back(Utf8FromUtf16(name));
                p += name.size() + 1;
            }
            return names;
        }
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER)
            break;
        buffer.resize(buffer.size() * 4);
    }
    return {};
}

} // namespace

CPortNameTable CPortNameTable::SystemTable(const std::string& strAliases) {
    // The aliases (COM7=\\.\COM12) keep their meaning; every COM port the
    // system lists is its own name.
    CPortNameTable table = Build(strAliases, {}, {}, "");
    std::vector<std::pair<long, std::string>> ports;
    for (const std::string& name : DosDeviceNames()) {
        const std::string com = NormalizeComName(name);
        if (com.empty() || com != name)
            continue;
        const bool bTaken = std::any_of(table.m_entries.begin(), table.m_entries.end(),
                                        [&](const PortNameEntry& e) { return e.strName == com; });
        if (!bTaken)
            ports.emplace_back(std::stol(com.substr(3)), com);
    }
    std::sort(ports.begin(), ports.end());
    for (const auto& port : ports)
        table.m_entries.push_back({port.second, "\\\\.\\" + port.second, false});
    return table;
}

bool CPortNameTable::IsDevicePath(const std::string& strName) {
    return strName.size() > 2 && strName[0] == '\\' && strName[1] == '\\';
}
