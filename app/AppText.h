// Texts the application object's commands share.
#pragma once

#include <string>

// The application title of message boxes ("Morvane Lumetto").
const std::string& AppTitle();

// A line on standard error for whoever runs the program unattended, with the
// program's "lumetto: " prefix.
void PrintLine(const std::string& strText);
