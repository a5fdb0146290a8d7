// The "COM ports" dialog turns a list entry back into a port name. Entries
// carry device paths and descriptions from the system; any text may arrive.
// The result is compared with a plain reading of the rule.
#include "fuzz/FuzzCheck.h"
#include "ports/PortNameExtract.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view entry(reinterpret_cast<const char*>(data), size);
    std::string port = "junk";
    const bool found = ExtractComPortName(entry, port);

    // The first "COM" followed by a digit, and the digits after it.
    std::string expected = "COM";
    bool expectedFound = false;
    for (std::size_t i = 0; i + 3 < entry.size(); ++i) {
        if (entry.substr(i, 3) == "COM" && IsDigit(entry[i + 3])) {
            for (std::size_t k = i + 3; k < entry.size() && IsDigit(entry[k]); ++k)
                expected += entry[k];
            expectedFound = true;
            break;
        }
    }
    Check(found == expectedFound);
    Check(port == expected);
    return 0;
}
