#pragma once

#include "platform/SerialDevice.h"

// The file descriptor behind an open serial device, or -1. POSIX only: the
// phone simulator polls it beside the pseudo-terminals and files it also
// drives. The device keeps owning the descriptor.
int SerialDeviceFd(const CSerialDevice& device);
