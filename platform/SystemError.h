// The system's own texts for error numbers, and the advice added to them when
// a serial device cannot be opened.
#pragma once

#include <string>

// The system's text for an errno value ("Permission denied"); for a number the
// system does not know, a text that names the number.
std::string SystemErrorText(int nCode);

// Name of the group that owns the file at strPath, or empty when it cannot be
// learnt.
std::string DeviceGroupName(const std::string& strPath);

// The line added to the system text when opening a serial device failed with
// nCode, or empty when there is nothing useful to add.
//  - EACCES/EPERM: how to get access (membership of the device's group);
//  - EBUSY: the port is used by another program;
//  - ENOENT for a COMn name that no device answers to.
// strPortName is the name the user chose, strDevice the device path it was
// resolved to (empty when it resolved to none).
std::string PortOpenAdvice(int nCode, const std::string& strPortName, const std::string& strDevice);
