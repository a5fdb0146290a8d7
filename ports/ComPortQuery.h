// What the port enumeration asks the operating system: its serial ports.
// Each system answers through a backend of its own (here: the port-name table
// and sysfs, TableComPortQuery); tests answer with fixed replies.
#pragma once

#include "ports/PortInfo.h"

#include <memory>

class IComPortQuery {
public:
    virtual ~IComPortQuery() = default;

    // The system's serial ports in the system's order: each with its name as
    // the system gives it and, where the system can tell, its device, what
    // the device is and how it is reached. Names that are not COM names are
    // left out by the enumeration. A system that cannot be asked may throw a
    // std::string that says why; it passes on to whoever runs the dialog.
    virtual PortInfoArray QueryPorts() = 0;
};

// The query that answers for the running system. Each system's backend file
// defines it; the build picks the file.
std::unique_ptr<IComPortQuery> MakeSystemComPortQuery();
