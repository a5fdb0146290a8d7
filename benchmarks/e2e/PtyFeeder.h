// The phone's side of a pseudo-terminal for the end-to-end measurement: it
// replays recorded frames to whoever opens the subordinate side, unpaced or
// one frame every few milliseconds, and notes when the last byte of each
// frame was written.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

using Frame = std::vector<std::uint8_t>;

// Cuts a recorded stream into its frames (start marker, length, payload, end
// marker); bytes that do not form a frame are skipped.
std::vector<Frame> SplitFrames(const std::vector<std::uint8_t>& stream);

class CPtyFeeder {
public:
    using Clock = std::chrono::steady_clock;

    ~CPtyFeeder();
    bool Open();
    const std::string& Path() const { return m_strPath; }

    // Waits until a reader has opened the subordinate side, then lets it
    // settle (a reader discards what arrived before it started reading).
    bool WaitForReader(int nTimeoutMs, int nSettleMs);

    // Writes the frames in order; nGapUs > 0 starts frame i at i x nGapUs
    // after the first. Returns false when the reader went away. aDone gets the
    // time each frame's last byte was written.
    bool Send(const std::vector<const Frame*>& frames, long nGapUs,
              std::vector<Clock::time_point>& aDone);

    // Waits until the reader has read everything written (at most nTimeoutMs).
    void Drain(int nTimeoutMs);
    void Close();

private:
    bool WriteAll(const std::uint8_t* p, std::size_t n);

    int m_fd = -1;
    std::string m_strPath;
};
