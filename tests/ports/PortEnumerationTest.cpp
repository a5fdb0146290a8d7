// The COM port list from the system's answers: which device names are taken,
// the fixed list, the description rule, the failed version query, and the
// POSIX answers from the port-name table.
#include "ports/PortEnumeration.h"
#include "ports/PosixComPortQuery.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// Answers the two queries with fixed replies and counts the calls.
class CFakeQuery : public IComPortQuery {
public:
    bool bVersionOk = true;
    std::uint32_t dwPlatformId = VER_PLATFORM_WIN32_NT;
    std::uint32_t dwError = 0;
    bool bDevicesOk = true;
    std::string strDevices; // names each ended by '\0', the list by another '\0'
    int nDeviceCalls = 0;
    std::uint32_t nCapacitySeen = 0;

    static std::string List(const std::vector<std::string>& names) {
        std::string s;
        for (const std::string& n : names)
            s += n + '\0';
        return s + '\0';
    }

    bool QueryVersion(std::uint32_t& dwId) override {
        dwId = dwPlatformId;
        return bVersionOk;
    }
    std::uint32_t LastError() override { return dwError; }
    std::uint32_t QueryDosDeviceNames(char* pBuffer, std::uint32_t nCapacity) override {
        ++nDeviceCalls;
        nCapacitySeen = nCapacity;
        if (!bDevicesOk || strDevices.size() > nCapacity)
            return 0;
        std::memcpy(pBuffer, strDevices.data(), strDevices.size());
        return static_cast<std::uint32_t>(strDevices.size());
    }
};

std::vector<std::string> Names(const PortInfoArray& ports) {
    std::vector<std::string> names;
    for (const PortInfo& p : ports)
        names.push_back(p.strPortName);
    return names;
}

using Strings = std::vector<std::string>;

struct SListCase {
    const char* szName;
    Strings devices;
    Strings expected;
};

} // namespace

TEST(PortEnumeration, TakesComNamesOfFourOrFiveCharactersInListOrder) {
    const SListCase cases[] = {
        {"mixed", {"LPT1", "COM1", "COM12", "COM123", "com4", "AUX"}, {"COM1", "COM12", "com4"}},
        {"no COM names", {"LPT1", "AUX", "PRN", "NUL", "C:"}, {}},
        {"empty list", {}, {}},
        {"too short", {"COM", "CO", "C"}, {}},
        {"rest not examined",
         {"COMX", "cOm7", "COM99", "COMAB"},
         {"COMX", "cOm7", "COM99", "COMAB"}},
        {"six and more", {"COM100", "COM1000", "COMPORT"}, {}},
        {"prefix elsewhere", {"XCOM1", "ACOM", "COM1X"}, {"COM1X"}},
        {"order kept, not sorted", {"COM9", "COM10", "COM2"}, {"COM9", "COM10", "COM2"}},
    };
    for (const SListCase& c : cases) {
        SCOPED_TRACE(c.szName);
        CFakeQuery query;
        query.strDevices = CFakeQuery::List(c.devices);
        PortInfoArray ports;
        EnumerateComPorts(ports, query);
        EXPECT_EQ(Names(ports), c.expected);
        EXPECT_EQ(query.nCapacitySeen, kDosDeviceCapacity);
        for (const PortInfo& p : ports) {
            EXPECT_EQ(p.strDevicePath, "\\\\.\\" + p.strPortName);
            EXPECT_EQ(p.strFriendlyName, p.strPortName);
            EXPECT_EQ(p.strDescription, p.strPortName);
            EXPECT_FALSE(p.bUsb);
        }
    }
}

TEST(PortEnumeration, AFailedDeviceNameQueryGivesAnEmptyList) {
    CFakeQuery query;
    query.bDevicesOk = false;
    PortInfoArray ports = {PortInfo{}, PortInfo{}}; // emptied first
    EnumerateComPorts(ports, query);
    EXPECT_TRUE(ports.empty());
    EXPECT_EQ(query.nDeviceCalls, 1);
}

TEST(PortEnumeration, AListLongerThanTheBufferGivesAnEmptyList) {
    CFakeQuery query;
    std::vector<std::string> many(14000, "COM1"); // 70,001 characters
    query.strDevices = CFakeQuery::List(many);
    PortInfoArray ports;
    EnumerateComPorts(ports, query);
    EXPECT_TRUE(ports.empty());
}

TEST(PortEnumeration, AListWithoutItsEndStopsAtTheCharactersStored) {
    // A reply that fills the whole capacity with names and no closing empty
    // name: the walk ends at the buffer's end.
    class CFullQuery : public CFakeQuery {
        std::uint32_t QueryDosDeviceNames(char* pBuffer, std::uint32_t nCapacity) override {
            for (std::uint32_t i = 0; i < nCapacity; ++i)
                pBuffer[i] = (i % 5 == 4) ? '\0' : "COM1"[i % 5];
            return nCapacity;
        }
    } query;
    PortInfoArray ports;
    EnumerateComPorts(ports, query);
    EXPECT_EQ(ports.size(), kDosDeviceCapacity / 5);
    EXPECT_EQ(ports.back().strPortName, "COM1");
}

TEST(PortEnumeration, OtherPlatformsGetComOneToFifty) {
    for (std::uint32_t dwId : {0u, VER_PLATFORM_WIN32_WINDOWS, 3u}) {
        SCOPED_TRACE(dwId);
        CFakeQuery query;
        query.dwPlatformId = dwId;
        query.strDevices = CFakeQuery::List({"COM7"});
        PortInfoArray ports;
        EnumerateComPorts(ports, query);
        ASSERT_EQ(ports.size(), 50u);
        for (int i = 0; i < 50; ++i) {
            const std::string name = "COM" + std::to_string(i + 1);
            EXPECT_EQ(ports[i].strPortName, name);
            EXPECT_EQ(ports[i].strDevicePath, "\\\\.\\" + name);
            EXPECT_EQ(ports[i].strDescription, name);
        }
        EXPECT_EQ(query.nDeviceCalls, 0);
    }
}

TEST(PortEnumeration, AFailedVersionQueryRaisesTheMessageAndLeavesTheListEmpty) {
    const struct {
        std::uint32_t dwError;
        const char* szText;
    } cases[] = {
        {87, "Could not get OS version. (err=57)"},
        {0, "Could not get OS version. (err=0)"},
        {0xDEADBEEF, "Could not get OS version. (err=deadbeef)"},
    };
    for (const auto& c : cases) {
        CFakeQuery query;
        query.bVersionOk = false;
        query.dwError = c.dwError;
        query.strDevices = CFakeQuery::List({"COM1"});
        PortInfoArray ports = {PortInfo{}};
        try {
            EnumerateComPorts(ports, query);
            ADD_FAILURE() << "no error raised";
        } catch (const std::string& strError) {
            EXPECT_EQ(strError, c.szText);
        }
        EXPECT_TRUE(ports.empty());
    }
}

TEST(PortEnumeration, ListingAloneFallsBackToTheFixedListWhenTheVersionIsUnknown) {
    CFakeQuery query;
    query.bVersionOk = false;
    PortInfoArray ports;
    ListDosComPorts(ports, query);
    EXPECT_EQ(ports.size(), 50u);
}

TEST(PortEnumeration, CompletionDerivesTheDescription) {
    const struct {
        const char* szPort;
        const char* szFriendly;
        const char* szDescription; // before completion
        const char* szWantFriendly;
        const char* szWantDescription;
    } cases[] = {
        {"COM3", "Standard Port (COM3)", "", "Standard Port (COM3)", "Standard Port"},
        {"COM3", "Port (A) (COM3)", "", "Port (A) (COM3)", "Port (A) (COM3)"},
        {"COM3", " (COM3)", "", " (COM3)", " (COM3)"},
        {"COM3", "Port (COM3) x", "", "Port (COM3) x", "Port (COM3) x"},
        {"COM3", "Port(COM3)", "", "Port(COM3)", "Port(COM3)"},
        {"COM3", "COM3 (/dev/ttyUSB0)", "", "COM3 (/dev/ttyUSB0)", "COM3"},
        {"COM3", "Port (COM3)", "kept", "Port (COM3)", "kept"},
        {"COM3 (x)", "", "", "COM3 (x)", "COM3"},
        {"COM4", "", "", "COM4", "COM4"},
        {"", "", "", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.szFriendly);
        PortInfo port;
        port.strPortName = c.szPort;
        port.strFriendlyName = c.szFriendly;
        port.strDescription = c.szDescription;
        CompletePortInfo(port);
        EXPECT_EQ(port.strFriendlyName, c.szWantFriendly);
        EXPECT_EQ(port.strDescription, c.szWantDescription);
    }
}

TEST(PortEnumeration, PosixListsThePortNameTableWithItsDevices) {
    const CPortNameTable table = CPortNameTable::Build(
        "COM7=/dev/pts/3;COM123=/dev/pts/4", {"ttyUSB0", "ttyACM1", "ttyS0", "tty0"},
        [](const std::string&) { return false; }, "/dev");
    CPosixComPortQuery query(table);
    PortInfoArray ports;
    EnumerateComPorts(ports, query);
    // COM123 is longer than five characters and is not listed.
    ASSERT_EQ(Names(ports), (Strings{"COM7", "COM1", "COM2"}));
    EXPECT_EQ(ports[0].strFriendlyName, "COM7 (/dev/pts/3)");
    EXPECT_EQ(ports[1].strFriendlyName, "COM1 (/dev/ttyUSB0)");
    EXPECT_EQ(ports[2].strFriendlyName, "COM2 (/dev/ttyACM1)");
    for (const PortInfo& p : ports) {
        EXPECT_EQ(p.strDescription, p.strPortName);
        EXPECT_EQ(p.strDevicePath, "\\\\.\\" + p.strPortName);
        EXPECT_FALSE(p.bUsb);
    }
    EXPECT_EQ(ports[0].strDevicePath.size(), 8u); // two backslashes, a dot, a backslash, COM7

    // The program's own port comes last, under its name.
    CPortNameTable::SetProgramPort("Demo phone", "/dev/pts/5");
    CPosixComPortQuery system(CPortNameTable::FromSystem());
    CPortNameTable::SetProgramPort("Demo phone", "");
    EnumerateComPorts(ports, system);
    ASSERT_FALSE(ports.empty());
    EXPECT_EQ(ports.back().strFriendlyName, "Demo phone");
    EXPECT_EQ(ports.back().strPortName, "Demo phone");
    EXPECT_TRUE(ports.back().bNamed);
    EXPECT_EQ(std::count_if(ports.begin(), ports.end(), [](const PortInfo& p) { return p.bNamed; }),
              1);
}
