#include "platform/RegularFile.h"

#include <algorithm>

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

bool ReadOpenRegularFile(unsigned long long nSize, std::size_t nMaxBytes, std::size_t nReadBytes,
                         const ReadSomeBytes& read, std::string& strBytes, std::string& strProblem,
                         const std::string& strSubject) {
    if (nSize > nMaxBytes) {
        strProblem = strSubject + " is " + ByteSizeText(nSize) + ", more than the " +
                     ByteSizeText(nMaxBytes) + " it may have";
        return false;
    }
    // The file may grow while it is read: never more than the limit, plus one
    // byte to notice that it did.
    const std::size_t want = std::min<std::size_t>(nReadBytes, nMaxBytes + 1);
    strBytes.resize(std::min<std::size_t>(want, static_cast<std::size_t>(nSize)));
    std::size_t got = 0;
    for (;;) {
        if (got == strBytes.size()) {
            if (got >= want)
                break;
            // Larger than the system said: read on in steps, up to the limit.
            strBytes.resize(std::min(want, got + 4096));
        }
        std::string strSystemText;
        const long long n = read(strBytes.data() + got, strBytes.size() - got, strSystemText);
        if (n < 0) {
            strProblem = "cannot read " + strSubject + ": " + strSystemText;
            strBytes.clear();
            return false;
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    strBytes.resize(got);
    if (got > nMaxBytes) {
        strProblem = strSubject + " grew past the " + ByteSizeText(nMaxBytes) + " it may have";
        strBytes.clear();
        return false;
    }
    return true;
}
