#include "platform/PortNameTable.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <set>

namespace {

// Device families in the order their numbers are given out.
constexpr const char* kFamilies[] = {"ttyUSB", "ttyACM", "rfcomm", "ttyS"};
constexpr int kFamilyCount = 4;

std::string Trim(const std::string& s) {
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1])))
        --e;
    return s.substr(b, e - b);
}

bool AllDigits(const std::string& s) {
    return !s.empty() && s.size() <= 9 &&
           std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isdigit(c); });
}

struct Found {
    int nFamily;
    long nNumber;
    std::string strName;
};

// Family and number of a device name such as "ttyUSB12", or nothing.
std::optional<Found> ParseDevName(const std::string& name) {
    for (int f = 0; f < kFamilyCount; ++f) {
        const std::string prefix = kFamilies[f];
        if (name.size() > prefix.size() && name.compare(0, prefix.size(), prefix) == 0) {
            const std::string digits = name.substr(prefix.size());
            if (AllDigits(digits))
                return Found{f, std::stol(digits), name};
        }
    }
    return std::nullopt;
}

std::string JoinPath(const std::string& dir, const std::string& name) {
    if (!dir.empty() && dir.back() == '/')
        return dir + name;
    return dir + "/" + name;
}

} // namespace

std::string CPortNameTable::NormalizeComName(const std::string& strName) {
    const std::string s = Trim(strName);
    if (s.size() < 4)
        return {};
    for (std::size_t i = 0; i < 3; ++i)
        if (std::toupper(static_cast<unsigned char>(s[i])) != "COM"[i])
            return {};
    const std::string digits = s.substr(3);
    if (!AllDigits(digits))
        return {};
    const long n = std::stol(digits);
    if (n <= 0)
        return {};
    return "COM" + std::to_string(n);
}

CPortNameTable CPortNameTable::Build(const std::string& strAliases,
                                     const std::vector<std::string>& devNames,
                                     const HardwareProbe& probe, const std::string& strDevDir) {
    CPortNameTable table;
    std::set<std::string> takenNames;
    std::set<std::string> takenDevices;

    // Aliases: "NAME=PATH" separated by ';'. Entries that are not COMn with an
    // absolute path are left out and noted; the first alias for a name wins.
    std::size_t pos = 0;
    while (pos <= strAliases.size()) {
        std::size_t end = strAliases.find(';', pos);
        if (end == std::string::npos)
            end = strAliases.size();
        const std::string item = Trim(strAliases.substr(pos, end - pos));
        pos = end + 1;
        if (item.empty())
            continue;
        std::string why;
        const std::size_t eq = item.find('=');
        const std::string name =
            eq == std::string::npos ? "" : NormalizeComName(item.substr(0, eq));
        const std::string device = eq == std::string::npos ? "" : Trim(item.substr(eq + 1));
        if (eq == std::string::npos)
            why = "it is not of the form COMn=/dev/DEVICE";
        else if (name.empty())
            why = "\"" + Trim(item.substr(0, eq)) + "\" is not a COM name such as COM7";
        else if (device.empty())
            why = "no device is given";
        else if (device[0] != '/')
            why = "the device must be a path that starts with /";
        else if (takenNames.count(name))
            why = name + " is named earlier in the list";
        if (!why.empty()) {
            table.m_rejected.push_back({item, why});
            continue;
        }
        takenNames.insert(name);
        takenDevices.insert(device);
        table.m_entries.push_back({name, device, true});
    }

    std::vector<Found> found;
    for (const std::string& name : devNames) {
        std::optional<Found> f = ParseDevName(name);
        if (!f)
            continue;
        if (std::string(kFamilies[f->nFamily]) == "ttyS" && !(probe && probe(name)))
            continue;
        if (takenDevices.count(JoinPath(strDevDir, name)))
            continue;
        found.push_back(*f);
    }
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        return a.nFamily != b.nFamily ? a.nFamily < b.nFamily : a.nNumber < b.nNumber;
    });
    found.erase(std::unique(found.begin(), found.end(),
                            [](const Found& a, const Found& b) { return a.strName == b.strName; }),
                found.end());

    int next = 1;
    for (const Found& f : found) {
        while (takenNames.count("COM" + std::to_string(next)))
            ++next;
        const std::string name = "COM" + std::to_string(next++);
        takenNames.insert(name);
        table.m_entries.push_back({name, JoinPath(strDevDir, f.strName), false});
    }
    return table;
}

namespace {

std::mutex g_programPortsMutex;
std::vector<PortNameEntry> g_programPorts;
std::set<std::string> g_reportedRejects; // guarded by g_programPortsMutex

} // namespace

void CPortNameTable::SetProgramPort(const std::string& strName, const std::string& strDevice) {
    std::lock_guard<std::mutex> lock(g_programPortsMutex);
    g_programPorts.erase(
        std::remove_if(g_programPorts.begin(), g_programPorts.end(),
                       [&](const PortNameEntry& e) { return e.strName == strName; }),
        g_programPorts.end());
    if (!strDevice.empty())
        g_programPorts.push_back({strName, strDevice, false, true});
}

std::string CPortNameTable::RejectedText(const RejectedAlias& rejected) {
    return "lumetto: the LUMETTO_PORTS entry \"" + rejected.strEntry +
           "\" is left out: " + rejected.strReason + ".";
}

CPortNameTable CPortNameTable::FromSystem() {
    const char* env = std::getenv("LUMETTO_PORTS");
    CPortNameTable table = SystemTable(env ? env : "");
    std::lock_guard<std::mutex> lock(g_programPortsMutex);
    // The table is built at every open and every listing: each entry is told once.
    for (const RejectedAlias& r : table.m_rejected) {
        if (g_reportedRejects.insert(r.strEntry).second) {
            std::fprintf(stderr, "%s\n", RejectedText(r).c_str());
            std::fflush(stderr);
        }
    }
    table.m_entries.insert(table.m_entries.end(), g_programPorts.begin(), g_programPorts.end());
    return table;
}

std::optional<std::string> CPortNameTable::Resolve(const std::string& strName) const {
    if (IsDevicePath(strName))
        return strName;
    for (const PortNameEntry& e : m_entries)
        if (e.bProgram && e.strName == strName)
            return e.strDevice;
    const std::string name = NormalizeComName(strName);
    if (name.empty())
        return std::nullopt;
    for (const PortNameEntry& e : m_entries)
        if (!e.bProgram && e.strName == name)
            return e.strDevice;
    return std::nullopt;
}

std::string CPortNameTable::DisplayName(const PortNameEntry& entry) {
    if (entry.bProgram)
        return entry.strName;
    return entry.strName + " (" + entry.strDevice + ")";
}
