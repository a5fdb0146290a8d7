// One row of the table ./bench prints, as every measurement program writes
// it on standard output: section, measurement, value, yardstick, ratio and
// target, separated by tabs. Each row is flushed at once, so the rows of a
// program that fails later are kept.
#pragma once

#include <cstdio>
#include <cstring>
#include <string>

namespace bench {

inline void Row(const std::string& section, const std::string& what, const std::string& value,
                const std::string& yardstick = "", const std::string& ratio = "",
                const std::string& target = "") {
    std::printf("%s\t%s\t%s\t%s\t%s\t%s\n", section.c_str(), what.c_str(), value.c_str(),
                yardstick.c_str(), ratio.c_str(), target.c_str());
    std::fflush(stdout);
}

// v with prec digits after the point.
inline std::string Fmt(double v, int prec) {
    char b[64];
    std::snprintf(b, sizeof b, "%.*f", prec, v);
    return b;
}

// The label of this run's rows: --label TEXT, "now" unless given.
inline std::string LabelArg(int argc, char** argv) {
    std::string label = "now";
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--label") == 0)
            label = argv[i + 1];
    return label;
}

} // namespace bench
