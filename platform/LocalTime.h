// The local calendar time of a moment, safe from any thread (localtime_r on
// POSIX, localtime_s on Windows).
#pragma once

#include <ctime>

bool LocalTime(std::time_t when, std::tm& local);
