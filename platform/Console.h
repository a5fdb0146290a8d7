// What a command-line program needs of the system around it: its arguments
// in UTF-8, standard streams that carry bytes unchanged, a folder made for
// its output, and Ctrl+C (SIGINT, SIGTERM; on Windows the console's Ctrl+C
// and Ctrl+Break) as an event it can wait on.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

class CEvent;

// The program's arguments in UTF-8: argv as given on POSIX; on Windows the
// UTF-16 command line, so names outside the ANSI code page arrive whole.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// Standard input and output carry bytes unchanged (no line-end translation).
void UseBinaryStandardStreams();

// Opens a file for reading in binary mode ("rb"); on Windows through its
// UTF-16 name. Null with errno set when it cannot be opened.
std::FILE* OpenForReading(const std::string& strPath);

// Makes the folder unless it exists. False with strError the system's text.
bool MakeFolder(const std::string& strPath, std::string& strError);

// Turns the console's stop requests into the returned event, which stays set
// until it is reset. Every call returns the same event; null when the system
// refused. Any thread. With bInterruptCalls, a stop request also ends a call
// that blocks (on POSIX the handlers go without SA_RESTART: opening a FIFO or
// writing into a full pipe fails with EINTR instead of waiting on); without,
// only waits end and other calls go on.
CEvent* InstallConsoleStop(bool bInterruptCalls = false);
// How many stop requests arrived since the first InstallConsoleStop, for a
// program where a second request means "stop at once". Any thread.
int ConsoleStopCount();
// Gives the stop requests their default handling back (they end the program).
void RemoveConsoleStop();
