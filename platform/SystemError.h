// The system's own texts for error numbers, and the advice added to them when
// a serial device cannot be opened.
#pragma once

#include <string>

// The system's text for an error code ("Permission denied"): errno values
// on POSIX, GetLastError() values on Windows (FormatMessage, in UTF-8); for
// a number the system does not know, a text that names the number.
std::string SystemErrorText(int nCode);

// The error code the last failed call of this thread into the platform layer
// left (errno on POSIX, GetLastError() on Windows), and setting it.
int LastSystemError();
void SetLastSystemError(int nCode);

// Conditions the serial link tells apart, in the system's own numbering.
extern const int kSystemNotFound;    // no such device
extern const int kSystemIoError;     // the device failed or went away
extern const int kSystemTimedOut;    // a write ran out of time
extern const int kSystemCancelled;   // a wait was cancelled
extern const int kSystemWouldBlock;  // nothing to read yet
extern const int kSystemInterrupted; // a wait was interrupted by a signal

// Whether PortOpenAdvice for nCode says all there is (the file is no serial
// port), so that the system's text is left out.
bool AdviceReplacesSystemText(int nCode);

// Who may open a device file: its mode bits (st_mode, file type included) and
// the names of its owner and group.
struct DeviceAccess {
    unsigned nMode = 0;
    std::string strOwner;
    std::string strGroup;
};

// The device file's mode, owner and group, or false when it cannot be learnt.
// An owner or group without a name is given by its number, as ls -l shows it.
bool ReadDeviceAccess(const std::string& strPath, DeviceAccess& access);

// What to do when the user may not open strDevice, judged from its mode bits
// alone: join its group when the group may read and write it and is no group
// that grants wide rights (root, sudo, wheel, adm, ...); otherwise only the
// owner may open it, and a udev rule can give the device to a group.
std::string PermissionAdvice(const std::string& strDevice, const DeviceAccess& access);

// The line added to the system text when opening a serial device failed with
// nCode, or empty when there is nothing useful to add.
//  - EACCES/EPERM: how to get access (PermissionAdvice of the device);
//  - EBUSY: the port is used by another program;
//  - ENOTTY/EISDIR: the file is no serial port;
//  - ENOENT for a COMn name that no device answers to.
// strPortName is the name the user chose, strDevice the device path it was
// resolved to (empty when it resolved to none).
std::string PortOpenAdvice(int nCode, const std::string& strPortName, const std::string& strDevice);
