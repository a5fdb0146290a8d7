#include "ports/PortNameExtract.h"

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

bool ExtractComPortName(std::string_view strEntry, std::string& strPort) {
    strPort = "COM";
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = strEntry.find("COM", start);
        if (at == std::string_view::npos)
            return false;
        std::size_t pos = at + 3;
        while (pos < strEntry.size() && IsDigit(strEntry[pos]))
            strPort += strEntry[pos++];
        if (pos > at + 3)
            return true;
        start = at + 1;
    }
}
