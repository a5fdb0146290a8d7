// Turns the text of a port list entry back into a port name.
#pragma once

#include <string>
#include <string_view>

// strPort becomes "COM" followed by the run of decimal digits after the first
// "COM" (exact case) in strEntry that is followed by a digit: "COM3 (/dev/ttyUSB0)"
// gives "COM3", "COMX COM5" gives "COM5". Returns false, with strPort "COM",
// when no "COM" in the entry is followed by a digit.
bool ExtractComPortName(std::string_view strEntry, std::string& strPort);
