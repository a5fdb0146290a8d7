// The "COM ports" list from untrusted text: the LUMETTO_PORTS aliases, the
// names a folder listing gives, and the strings a USB device reports about
// itself. Input: the aliases, a byte 0x01, the device names separated by
// line feeds, a byte 0x01, a device's text.
#include "fuzz/FuzzCheck.h"
#include "platform/PortNameTable.h"
#include "ports/PortEnumeration.h"
#include "ports/TableComPortQuery.h"
#include "ports/TtyDeviceInfo.h"

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::vector<std::string> Split(std::string_view text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(separator, start);
        parts.emplace_back(text.substr(start, end - start));
        if (end == std::string_view::npos)
            return parts;
        start = end + 1;
    }
}

// Whole UTF-8 characters only (lead byte and its continuation bytes).
bool IsUtf8(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t n = lead < 0x80   ? 1
                              : lead < 0xC2 ? 0
                              : lead < 0xE0 ? 2
                              : lead < 0xF0 ? 3
                              : lead < 0xF5 ? 4
                                            : 0;
        if (n == 0 || i + n > text.size())
            return false;
        for (std::size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        i += n;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string> parts =
        Split(std::string_view(reinterpret_cast<const char*>(data), size), '\x01');

    // A device's text: printable, single blanks inside, bounded, whole characters.
    const std::string shown = CleanDeviceText(parts.back());
    Check(shown.size() <= kMaxDeviceText);
    Check(IsUtf8(shown));
    Check(shown.empty() || (shown.front() != ' ' && shown.back() != ' '));
    Check(shown.find("  ") == std::string::npos);
    for (const char c : shown)
        Check(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F);

    // Every port of the table is listed once, under the one spelling of its
    // COM name, and that name opens the device the list shows.
    const std::vector<std::string> devices =
        parts.size() > 1 ? Split(parts[1], '\n') : std::vector<std::string>{};
    const CPortNameTable table = CPortNameTable::Build(
        parts.front(), devices, [](const std::string& name) { return name.size() % 2 == 0; });
    CTableComPortQuery query(table, "/nonexistent-sysfs");
    PortInfoArray ports;
    EnumerateComPorts(ports, query);
    Check(ports.size() == table.Entries().size());
    std::set<std::string> names;
    for (const PortInfo& port : ports) {
        Check(CPortNameTable::NormalizeComName(port.strPortName) == port.strPortName);
        Check(names.insert(port.strPortName).second);
        Check(table.Resolve(port.strPortName) == port.strDevicePath);
        Check(port.strFriendlyName == port.strPortName + " (" + port.strDevicePath + ")");
    }
    return 0;
}
