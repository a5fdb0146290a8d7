// The command line parser over arbitrary arguments (split at NUL bytes).
// Whatever it is given, it either accepts options that make sense together or
// says what was wrong.
#include "app/CommandLine.h"
#include "fuzz/FuzzCheck.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> args(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            args.emplace_back();
        else
            args.back().push_back(static_cast<char>(data[i]));
    }
    if (size == 0)
        args.clear();
    const CommandLineResult r = ParseCommandLine(args);
    if (!r.bOk) {
        Check(!r.strError.empty());
        return 0;
    }
    const CommandLineOptions& o = r.options;
    Check(std::isfinite(o.dTimeLimit) && o.dTimeLimit >= 0);
    Check(!(o.bDemo && !o.strPort.empty()));
    return 0;
}
