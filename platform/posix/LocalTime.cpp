#include "platform/LocalTime.h"

bool LocalTime(std::time_t when, std::tm& local) {
    return ::localtime_r(&when, &local) != nullptr;
}
