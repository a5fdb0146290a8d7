// The table that maps the COM port names users pick to serial device files.
//
// Entries come first from the aliases in LUMETTO_PORTS
// ("COM7=/dev/pts/3;COM8=/dev/rfcomm0"), then from the machine's serial
// devices: /dev/ttyUSB*, /dev/ttyACM*, /dev/rfcomm*, and the /dev/ttyS* that
// have real hardware behind them. Devices are sorted by kind and number and
// take the lowest COM numbers that no alias holds, so a device keeps its name
// while the set of devices does not change. Last come the ports the program
// itself provides while it runs (the demo's phone), under their own names. A
// name that starts with '/' is a device path and stands for itself.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

struct PortNameEntry {
    std::string strName;   // "COM3"
    std::string strDevice; // "/dev/ttyUSB0"
    bool bAlias = false;   // given in LUMETTO_PORTS
    bool bProgram = false; // provided by the program; strName is no COM name
};

// An entry of LUMETTO_PORTS that was left out, and why.
struct RejectedAlias {
    std::string strEntry;  // as written, without surrounding blanks
    std::string strReason; // "no device is given"
};

class CPortNameTable {
public:
    // Tells whether /dev/ttySn (given as "ttyS0") has a real UART behind it.
    using HardwareProbe = std::function<bool(const std::string& strDevName)>;

    CPortNameTable() = default;

    // strAliases: the LUMETTO_PORTS text; devNames: the names found in strDevDir
    // (as a directory listing gives them); probe: for ttyS names.
    static CPortNameTable Build(const std::string& strAliases,
                                const std::vector<std::string>& devNames,
                                const HardwareProbe& probe, const std::string& strDevDir = "/dev");

    // From the environment, /dev and /sys/class/tty, with the program's own
    // ports. Each LUMETTO_PORTS entry that is left out is reported on
    // standard error, once in the process's life.
    static CPortNameTable FromSystem();

    // Adds the program's own port strName for strDevice while it exists, or
    // takes it away when strDevice is empty. Any thread.
    static void SetProgramPort(const std::string& strName, const std::string& strDevice);

    const std::vector<PortNameEntry>& Entries() const { return m_entries; }
    // The LUMETTO_PORTS entries Build left out, in their order.
    const std::vector<RejectedAlias>& Rejected() const { return m_rejected; }

    // The device path for a port name: itself for a path, the device of a
    // program's port of that exact name, the table's device for COMn (any
    // letter case), nothing for an unknown name.
    std::optional<std::string> Resolve(const std::string& strName) const;

    // "COM3 (/dev/ttyUSB0)", as the port list shows an entry; a program's port
    // shows its name alone.
    static std::string DisplayName(const PortNameEntry& entry);

    // The line that reports a rejected entry on standard error.
    static std::string RejectedText(const RejectedAlias& rejected);

    // "COM7" for "com7" or "COM07"; empty when the text is not COM and digits.
    static std::string NormalizeComName(const std::string& strName);

    // Whether the ttyS device has a UART behind it, from /sys/class/tty (POSIX).
    static bool SysfsHasHardware(const std::string& strDevName);

    // Whether the name is a device path that stands for itself: it starts
    // with '/' on POSIX, with two backslashes on Windows (\\.\COM3).
    static bool IsDevicePath(const std::string& strName);

private:
    // The machine's serial ports with the aliases: on POSIX the devices of
    // /dev numbered as above; on Windows the COM ports the system lists
    // (QueryDosDevice), each under its own name.
    static CPortNameTable SystemTable(const std::string& strAliases);

    std::vector<PortNameEntry> m_entries;
    std::vector<RejectedAlias> m_rejected;
};
