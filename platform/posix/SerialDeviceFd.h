#pragma once

#include "platform/SerialDevice.h"

// The file descriptor behind an open serial device, or -1. POSIX only: the
// line end (LineEnd.cpp) polls it beside the stop event. The device keeps
// owning the descriptor.
int SerialDeviceFd(const CSerialDevice& device);
