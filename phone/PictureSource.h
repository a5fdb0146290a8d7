// Where the simulated phone's screen pictures come from.
#pragma once

#include <cstdint>
#include <vector>

class IPictureSource {
public:
    virtual ~IPictureSource() = default;
    // Fills pic with width x height 12-bit colours (0x0RGB, top row first) for
    // frame number nFrame, whose clock reads msTime (milliseconds since the
    // Unix epoch).
    virtual void Render(std::int64_t nFrame, std::int64_t msTime,
                        std::vector<std::uint16_t>& pic) = 0;
};
