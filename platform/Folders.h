// Where the program lies and where the user's own data goes.
#pragma once

#include <string>

// The folder of the running program, ending in a separator; empty when the
// system does not tell.
std::string RunningProgramFolder();

// The user's data folder, ending in '/': $XDG_DATA_HOME or ~/.local/share on
// POSIX, %APPDATA% (the roaming application data) on Windows; empty when
// there is none.
std::string UserDataFolder();
