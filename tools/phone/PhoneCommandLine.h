// Command line of lumetto-phone.
#pragma once

#include "phone/PhoneOptions.h"

#include <string>

// Parses argv[1..]. Options take their value as the next argument or after
// '=' (--fps=10). Returns true when the simulator should run; otherwise
// `message` holds the text for standard output with bHelp set (--help,
// --version), or an error: a line saying what is wrong, then the hint.
bool ParsePhoneOptions(int argc, const char* const* argv, PhoneOptions& options,
                       std::string& message, bool& bHelp);

const char* PhoneUsage();
