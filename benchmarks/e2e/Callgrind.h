// valgrind's callgrind as a wrapper around a measured program: it counts the
// instructions the program runs in user space (all its threads), a figure a
// busy machine does not change.
#pragma once

#include <string>
#include <vector>

// The program and options that run a program under callgrind, its report
// going to the file strLog.
std::vector<std::string> CallgrindCommand(const std::string& strLog);

// The instructions counted, from the report in strLog (removed then); -1 and
// why when there is no count.
long long CallgrindCount(const std::string& strLog, std::string& why);
