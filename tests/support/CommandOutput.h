// Runs a shell command and returns what it printed on standard output (the
// tests' way to ask ffmpeg and ffprobe about a movie).
#pragma once

#include <cstdio>
#include <string>

namespace testsupport {

// bOk, when given, tells whether the command ran and ended with status 0.
inline std::string CommandOutput(const std::string& command, bool* pOk = nullptr) {
    std::string out;
    bool ok = false;
    if (std::FILE* p = ::popen(command.c_str(), "r")) {
        char buf[1 << 16];
        for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;)
            out.append(buf, n);
        ok = ::pclose(p) == 0;
    }
    if (pOk)
        *pOk = ok;
    return out;
}

} // namespace testsupport
