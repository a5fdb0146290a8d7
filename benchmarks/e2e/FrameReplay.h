// The phone's side of the end-to-end measurement: recorded frames replayed
// through a pseudo-terminal line to whoever opened it, unpaced or one frame
// every few microseconds, noting when the last byte of each frame was written.
#pragma once

#include "tests/support/PtyLine.h"

#include <chrono>
#include <cstdint>
#include <vector>

using Frame = std::vector<std::uint8_t>;
using ReplayClock = std::chrono::steady_clock;

// Cuts a recorded stream into its frames (start marker, length, payload, end
// marker); bytes that do not form a frame are skipped.
std::vector<Frame> SplitFrames(const std::vector<std::uint8_t>& stream);

// Waits until a reader has opened the line, then lets it settle (a reader
// discards what arrived before it started reading).
bool WaitForReader(testsupport::CPtyLine& line, int nTimeoutMs, int nSettleMs);

// Writes the frames in order; nGapUs > 0 starts frame i at i x nGapUs after
// the first. Returns false when the reader went away. aDone gets the time
// each frame's last byte was written.
bool Replay(testsupport::CPtyLine& line, const std::vector<const Frame*>& frames, long nGapUs,
            std::vector<ReplayClock::time_point>& aDone);
