#include "platform/LocalTime.h"

bool LocalTime(std::time_t when, std::tm& local) {
    return ::localtime_s(&local, &when) == 0;
}
