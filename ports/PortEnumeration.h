// The list of the machine's COM ports, from which the user picks the link to
// the phone. Nothing is cached: every call asks the system afresh.
#pragma once

#include "ports/ComPortQuery.h"
#include "ports/PortInfo.h"

#include <memory>

// Size of the DOS device name buffer, and the characters the query may store.
constexpr std::uint32_t kDosDeviceBufferSize = 65536;
constexpr std::uint32_t kDosDeviceCapacity = 65535;
// Ports listed on a system that has no DOS device names: COM1 to COM50.
constexpr int kFixedComPortCount = 50;

// Empties ports and fills it with the system's COM ports, then the program's
// own named ports, each with its friendly name and description completed.
//
// Throws std::string, the message "Could not get OS version. (err=<hex code>)",
// when the operating system's version cannot be read; ports stays empty then.
void EnumerateComPorts(PortInfoArray& ports, IComPortQuery& query);
// The same, asking the running system (MakeSystemComPortQuery()).
void EnumerateComPorts(PortInfoArray& ports);

// Appends the ports of the DOS device list (NT family) or COM1 to COM50 (any
// other platform, or when the version cannot be read). A failed device name
// query adds nothing and reports nothing.
void ListDosComPorts(PortInfoArray& ports, IComPortQuery& query);

// Fills an empty friendly name from the port name, and an empty description
// from the friendly name without its trailing " (...)" part.
void CompletePortInfo(PortInfo& port);

// The message raised when the version query fails with nError.
std::string OsVersionErrorMessage(std::uint32_t nError);

// The query that answers for the running system: on POSIX, the port-name table
// built from LUMETTO_PORTS and the machine's serial devices.
std::unique_ptr<IComPortQuery> MakeSystemComPortQuery();
