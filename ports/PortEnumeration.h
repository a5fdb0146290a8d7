// The list of the machine's COM ports, from which the user picks the link to
// the phone. Nothing is cached: every call asks the system afresh.
#pragma once

#include "ports/ComPortQuery.h"
#include "ports/PortInfo.h"

#include <string>
#include <vector>

// Empties ports and fills it with the system's COM ports, then the program's
// own ports (programPorts, by name), each with the text the list shows.
// Throws what the query throws; ports stays empty then.
void EnumerateComPorts(PortInfoArray& ports, IComPortQuery& query,
                       const std::vector<std::string>& programPorts = {});
// The same, asking the running system (MakeSystemComPortQuery()).
void EnumerateComPorts(PortInfoArray& ports, const std::vector<std::string>& programPorts = {});

// Appends the ports of the query whose names are COM names, under the
// name's one spelling ("COM7"; see CPortNameTable::NormalizeComName).
void ListDosComPorts(PortInfoArray& ports, IComPortQuery& query);

// Fills an empty friendly name with the list's text for the port:
// "COM2 — Maker Product (USB, /dev/ttyACM0)", "COM7 (/dev/pts/3)", a
// program's own port by its name alone.
void CompletePortInfo(PortInfo& port);

// Whether strName (a COM name in any spelling, a port's own name or a device
// path, as the user last opened it) names the port.
bool NamesPort(const PortInfo& port, const std::string& strName);
