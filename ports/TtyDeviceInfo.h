// What a serial device file is, as the kernel's sysfs tells it: the maker and
// product of a USB device, the remote address of a Bluetooth serial link
// (rfcomm). Plain file reads under a sysfs root folder: "/sys" on a running
// system, a tree of its own in a test.
//
//   <root>/class/tty/ttyACM0/device -> .../usb1/1-2/1-2:1.0   (the interface)
//   .../usb1/1-2/{idVendor,idProduct,manufacturer,product}    (the USB device)
//   <root>/class/tty/rfcomm0/address                          ("00:11:22:33:44:55")
#pragma once

#include <string>
#include <string_view>

struct TtyDeviceInfo {
    enum class Bus { Unknown, Usb, Bluetooth };
    Bus eBus = Bus::Unknown;
    // "Maker Product" (or the USB ids "0bb4:0c02" when the device names
    // neither), the Bluetooth address; empty when sysfs tells nothing.
    std::string strWhat;
};

// strDevicePath: the device file, "/dev/ttyACM0", or a symlink to one such
// as /dev/serial/by-id/... . Devices outside /dev tell nothing.
TtyDeviceInfo ReadTtyDeviceInfo(const std::string& strDevicePath,
                                const std::string& strSysRoot = "/sys");

// A device's own text made fit to show: control characters become blanks,
// runs of blanks one, none at either end; bytes that are not UTF-8 become
// '?'; at most kMaxDeviceText bytes, cut between characters.
constexpr std::size_t kMaxDeviceText = 60;
std::string CleanDeviceText(std::string_view raw);
