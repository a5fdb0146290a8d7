// The two questions the port enumeration asks the operating system, behind an
// interface so that a stand-in can answer them where there is no such system
// call, and tests can answer them with fixed replies.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Platform ids the version query reports.
constexpr std::uint32_t VER_PLATFORM_WIN32_WINDOWS = 1; // the 95/98/Me family
constexpr std::uint32_t VER_PLATFORM_WIN32_NT = 2;

class IComPortQuery {
public:
    virtual ~IComPortQuery() = default;

    // The operating system's version: true on success, with its platform id.
    virtual bool QueryVersion(std::uint32_t& dwPlatformId) = 0;
    // The error code of the failed version query.
    virtual std::uint32_t LastError() = 0;
    // The names of all DOS devices, each ended by a NUL, the list ended by an
    // empty name, stored into pBuffer of nCapacity characters. Returns the
    // number of characters stored; 0 on failure or when the list does not fit.
    virtual std::uint32_t QueryDosDeviceNames(char* pBuffer, std::uint32_t nCapacity) = 0;
    // The text to show for a port the listing found, or empty to show the
    // port name itself (all that the DOS device list can tell).
    virtual std::string FriendlyName(const std::string& /*strPortName*/) { return {}; }
    // Ports the program itself provides (the demo's phone), listed after the
    // others under their own names.
    virtual std::vector<std::string> NamedPorts() { return {}; }
};
