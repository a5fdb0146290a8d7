#include "benchmarks/e2e/FrameReplay.h"

#include "link/WireFormat.h"

#include <cstring>
#include <thread>

std::vector<Frame> SplitFrames(const std::vector<std::uint8_t>& s) {
    std::vector<Frame> frames;
    for (std::size_t i = 0; i + wire::kHeaderSize <= s.size();) {
        if (std::memcmp(&s[i], wire::kStartMarker, wire::kMarkerSize) != 0) {
            ++i;
            continue;
        }
        const std::uint32_t t = wire::FrameLength(&s[i + wire::kMarkerSize]);
        if (t < wire::kFrameOverhead || t > wire::kMaxFrameSize || i + t > s.size()) {
            ++i;
            continue;
        }
        frames.emplace_back(s.begin() + std::ptrdiff_t(i), s.begin() + std::ptrdiff_t(i + t));
        i += t;
    }
    return frames;
}

bool WaitForReader(testsupport::CPtyLine& line, int nTimeoutMs, int nSettleMs) {
    if (!line.WaitForReader(std::chrono::milliseconds(nTimeoutMs)))
        return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(nSettleMs));
    return true;
}

bool Replay(testsupport::CPtyLine& line, const std::vector<const Frame*>& frames, long nGapUs,
            std::vector<ReplayClock::time_point>& aDone) {
    aDone.clear();
    aDone.reserve(frames.size());
    const auto start = ReplayClock::now();
    for (std::size_t i = 0; i < frames.size(); ++i) {
        if (nGapUs > 0)
            std::this_thread::sleep_until(start + std::chrono::microseconds(nGapUs * long(i)));
        if (!line.Write(*frames[i]))
            return false;
        aDone.push_back(ReplayClock::now());
    }
    return true;
}
