// lumetto-phone after its command line was read: opens the output, picks the
// picture source, runs the simulator and reports. Needs a QGuiApplication.
#pragma once

#include "phone/PhoneOptions.h"

#include <iosfwd>

// Returns the process exit code: 0 when the run ended as asked, 1 on failure.
// The pseudo-terminal's path goes to out; errors and the summary to err.
int RunPhoneProgram(const PhoneOptions& options, std::ostream& out, std::ostream& err);
