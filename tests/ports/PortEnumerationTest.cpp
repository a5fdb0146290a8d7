// The COM port list: the port-name table through the enumeration, with the
// devices described from a fake sysfs tree; the one rule for COM names; the
// device texts made fit to show.
#include "ports/PortEnumeration.h"
#include "platform/PortNameTable.h"
#include "ports/TableComPortQuery.h"
#include "ports/TtyDeviceInfo.h"
#include "tests/support/TempFolder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

Strings Texts(const PortInfoArray& ports) {
    Strings texts;
    for (const PortInfo& p : ports)
        texts.push_back(p.strFriendlyName);
    return texts;
}

// A sysfs tree as the kernel lays it out: the tty's "device" link points at
// the USB interface (ttyACM) or at the usb-serial port below it (ttyUSB); the
// USB device above holds the ids and the strings; rfcomm has its address.
class CFakeSysfs {
public:
    CFakeSysfs() {
        const std::string usb = "devices/pci0000:00/usb1/";
        Device(usb + "1-2", {{"idVendor", "0bb4\n"},
                             {"idProduct", "0c02\n"},
                             {"manufacturer", "Maker\n"},
                             {"product", "Phone\tModem \n"}});
        Link("ttyACM0", usb + "1-2/1-2:1.0");
        Device(usb + "1-3", {{"idVendor", "067b\n"}, {"idProduct", "2303\n"}});
        Link("ttyUSB0", usb + "1-3/1-3:1.0/ttyUSB0");
        Device(usb + "1-4",
               {{"idVendor", "1234\n"}, {"manufacturer", "Acme"}, {"product", "ACME cable"}});
        Link("ttyACM1", usb + "1-4/1-4:1.0");
        m_root.Write("class/tty/rfcomm0/address", "00:11:22:33:44:55\n");
        m_root.Write("devices/platform/serial8250/tty/ttyS0/type", "4\n");
        Link("ttyS0", "devices/platform/serial8250");
        // A link out of the tree is not followed, whatever lies there.
        m_outside.Write("1-5/idVendor", "abcd\n");
        std::filesystem::create_directories(m_outside.Dir() / "1-5/1-5:1.0");
        std::filesystem::create_directories(m_root.Dir() / "class/tty/ttyACM2");
        std::filesystem::create_directory_symlink(m_outside.Dir() / "1-5/1-5:1.0",
                                                  m_root.Dir() / "class/tty/ttyACM2/device");
    }
    std::string Root() const { return m_root.Dir().string(); }

private:
    void Device(const std::string& dir,
                const std::vector<std::pair<std::string, std::string>>& attributes) {
        for (const auto& [name, text] : attributes)
            m_root.Write(dir + "/" + name, text);
    }
    void Link(const std::string& tty, const std::string& target) {
        std::filesystem::create_directories(m_root.Dir() / target);
        std::filesystem::create_directories(m_root.Dir() / "class/tty" / tty);
        std::filesystem::create_directory_symlink("../../../" + target,
                                                  m_root.Dir() / "class/tty" / tty / "device");
    }

    CTempFolder m_root;
    CTempFolder m_outside;
};

} // namespace

// What the "COM ports" dialog lists, from LUMETTO_PORTS and /dev through the
// port-name table, and every entry opens the device it shows: the list and
// --port follow one rule for COM names.
TEST(PortEnumeration, ListsThePortNameTableWithEachDeviceDescribed) {
#ifdef _WIN32
    GTEST_SKIP() << "devices are described from Linux's sysfs; Windows names them itself";
#endif
    const CFakeSysfs sysfs;
    const struct {
        const char* szWhat;
        const char* szAliases;
        Strings devices; // names in /dev
        Strings programPorts;
        Strings expected;
    } cases[] = {
        {"no ports", "", {"tty0", "null"}, {}, {}},
        {"devices described, the program's own port last",
         "",
         {"rfcomm0", "ttyS0", "ttyACM1", "ttyUSB0", "ttyACM0", "ttyACM2"},
         {"Demo phone"},
         {"COM1 \u2014 067b:2303 (USB, /dev/ttyUSB0)",
          "COM2 \u2014 Maker Phone Modem (USB, /dev/ttyACM0)",
          "COM3 \u2014 ACME cable (USB, /dev/ttyACM1)", "COM4 (/dev/ttyACM2)",
          "COM5 \u2014 00:11:22:33:44:55 (Bluetooth, /dev/rfcomm0)", "COM6 (/dev/ttyS0)",
          "Demo phone"}},
        {"aliases first, in any spelling of a COM name, of any length",
         "com07=/dev/pts/3;COM123=/dev/rfcomm0;COM2=/dev/pts/4",
         {"ttyUSB0"},
         {"Demo phone"},
         {"COM7 (/dev/pts/3)", "COM123 \u2014 00:11:22:33:44:55 (Bluetooth, /dev/rfcomm0)",
          "COM2 (/dev/pts/4)", "COM1 \u2014 067b:2303 (USB, /dev/ttyUSB0)", "Demo phone"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.szWhat);
        const CPortNameTable table =
            CPortNameTable::Build(c.szAliases, c.devices, [](const std::string&) { return true; });
        CTableComPortQuery query(table, sysfs.Root());
        PortInfoArray ports = {PortInfo{}}; // emptied first
        EnumerateComPorts(ports, query, c.programPorts);
        EXPECT_EQ(Texts(ports), c.expected);
        for (const PortInfo& port : ports) {
            if (port.bNamed)
                continue;
            EXPECT_EQ(table.Resolve(port.strPortName), port.strDevicePath) << port.strPortName;
            EXPECT_TRUE(NamesPort(port, port.strDevicePath));
        }
    }
}

// Whatever names a system reports, the list holds COM names only, each in its
// one spelling.
TEST(PortEnumeration, KeepsComNamesOnlyInTheirOneSpelling) {
    class CNamesQuery : public IComPortQuery {
        PortInfoArray QueryPorts() override {
            PortInfoArray ports;
            for (const char* sz : {"LPT1", "COM1", "com4", "COM0", "COMX", "COM07", "COM123",
                                   "COM1x", "AUX", " COM9 ", "COM99999999999"}) {
                PortInfo port;
                port.strPortName = sz;
                ports.push_back(port);
            }
            return ports;
        }
    } query;
    PortInfoArray ports;
    EnumerateComPorts(ports, query);
    EXPECT_EQ(Texts(ports), (Strings{"COM1", "COM4", "COM7", "COM123", "COM9"}));
}

TEST(TtyDeviceInfo, DeviceTextsAreMadeFitToShow) {
    const std::string longName(70, 'x');
    const struct {
        std::string raw;
        std::string shown;
    } cases[] = {
        {"Maker\n", "Maker"},
        {"  Phone\t\r\nModem\x7f ", "Phone Modem"},
        {"caf\xC3\xA9 \xE2\x80\x94 ok", "caf\xC3\xA9 \xE2\x80\x94 ok"},
        {"bad \xC3 \xFF\xE2\x80 end", "bad ? ??? end"}, // one ? a byte
        {std::string("nul\0inside", 10), "nul inside"},
        {longName, std::string(kMaxDeviceText, 'x')},
        // A character that does not fit whole is left out.
        {std::string(kMaxDeviceText - 1, 'x') + "\xC3\xA9", std::string(kMaxDeviceText - 1, 'x')},
        {"\n\t ", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.raw);
        EXPECT_EQ(CleanDeviceText(c.raw), c.shown);
    }
}
