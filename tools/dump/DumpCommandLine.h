// Command line of lumetto-dump.
#pragma once

#include <string>

struct DumpOptions {
    std::string strOutDir; // --out DIR: where each decoded screen goes; empty: nowhere
    std::string strFile;   // the capture to read; "-" for standard input
    std::string strPort;   // --port NAME: capture live from this port instead
    std::string strSave;   // --save FILE: keep the raw bytes received on the port
    int nTimeLimit = 0;    // --time-limit N: end a live capture after N seconds; 0: never
};

// Parses argv[1..]. A capture is read from FILE, or live from --port. Options take their value as
// the next argument or after
// '=' (--out=DIR). Returns true when the capture should be read; otherwise
// `message` holds the text for standard output with bHelp set (--help,
// --version), or an error: a line saying what is wrong, then the hint.
bool ParseDumpOptions(int argc, const char* const* argv, DumpOptions& options, std::string& message,
                      bool& bHelp);
