// What every run of lumetto pays before it does anything: the shared
// libraries it loads, and wall time, CPU time and peak resident size of
// `lumetto --version` and of `lumetto --demo --no-window` up to its first
// picture (the median of several runs each); the instructions `--version`
// runs, counted under callgrind.
#pragma once

#include <string>
#include <vector>

struct StartUpOptions {
    std::string lumetto;                  // the program measured
    std::string label;                    // "now", "before"...
    std::string trace;                    // a file name for the demo's frame trace
    std::vector<std::string> environment; // the demo's: its own settings folder
    int runs = 10;
};

// Prints the start-up rows.
void StartUpRows(const StartUpOptions& opt);
