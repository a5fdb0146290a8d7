#include "platform/RegularFile.h"

std::string ByteSizeText(unsigned long long nBytes) {
    constexpr unsigned long long kKiB = 1024, kMiB = kKiB * 1024, kGiB = kMiB * 1024;
    if (nBytes >= kGiB && nBytes % kGiB == 0)
        return std::to_string(nBytes / kGiB) + " GiB";
    if (nBytes >= kMiB)
        return std::to_string((nBytes + kMiB / 2) / kMiB) + " MiB";
    if (nBytes >= kKiB)
        return std::to_string((nBytes + kKiB / 2) / kKiB) + " KiB";
    return std::to_string(nBytes) + (nBytes == 1 ? " byte" : " bytes");
}
