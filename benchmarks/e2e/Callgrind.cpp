#include "benchmarks/e2e/Callgrind.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

std::vector<std::string> CallgrindCommand(const std::string& strLog) {
    return {"/usr/bin/valgrind", "--tool=callgrind", "--callgrind-out-file=/dev/null",
            "--log-file=" + strLog};
}

long long CallgrindCount(const std::string& strLog, std::string& why) {
    std::ifstream in(strLog);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::remove(strLog.c_str());
    if (const auto bad = text.find("Illegal opcode"); bad != std::string::npos) {
        // "at 0x...: function (in /usr/lib/.../libname.so.1)"
        const auto pos = text.find("(in ", bad), end = text.find(')', pos);
        const std::string where = pos == std::string::npos || end == std::string::npos
                                      ? "a library it loads"
                                      : text.substr(pos + 4, end - pos - 4);
        why = "valgrind does not know an instruction in " + where;
        return -1;
    }
    const auto at = text.find("Collected : ");
    if (at == std::string::npos) {
        why = "no count from valgrind (is it installed?)";
        return -1;
    }
    return std::atoll(text.c_str() + at + 12);
}
