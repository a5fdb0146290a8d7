// A phone thread that sends frames as fast as the line takes them: one
// header frame, then a cycle of changes that returns to the first picture,
// so any number of frames can be sent and the last picture is known.
#pragma once

#include "tests/app/PhoneLine.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace reliability {

class CPhoneFlood {
public:
    static constexpr int kCycle = 40;

    // Square side of each change: larger makes heavier frames.
    explicit CPhoneFlood(int nChange = 48) {
        m_pictures.push_back(BlockPicture(7));
        for (int i = 1; i < kCycle; ++i)
            m_pictures.push_back(Changed(m_pictures.back(), i, nChange));
        m_header = ScreenFrame(m_pictures[0], nullptr);
        for (int i = 0; i < kCycle; ++i)
            m_changes.push_back(ScreenFrame(m_pictures[(i + 1) % kCycle], &m_pictures[i]));
    }
    ~CPhoneFlood() { Stop(); }

    // Sends the header frame and then changes until nFrames frames in all
    // were sent (0: no limit), the time is up, or Stop.
    void Start(CPhoneLine& line, long long nFrames, std::chrono::milliseconds duration) {
        m_thread = std::thread([this, &line, nFrames, duration] {
            const auto end = std::chrono::steady_clock::now() + duration;
            if (!line.Write(m_header, &m_stop))
                return Finish();
            m_nSent = 1;
            for (long long i = 0; nFrames == 0 || m_nSent < nFrames; ++i) {
                if (m_stop || std::chrono::steady_clock::now() >= end)
                    break;
                if (!line.Write(m_changes[i % kCycle], &m_stop))
                    break;
                ++m_nSent;
            }
            Finish();
        });
    }
    void Stop() {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }

    long long Sent() const { return m_nSent; }
    bool Done() const { return m_bDone; }
    // The picture the phone shows after the frames sent so far.
    const Picture& Last() const { return m_pictures[(m_nSent - 1) % kCycle]; }
    const Picture& First() const { return m_pictures[0]; }

private:
    void Finish() { m_bDone = true; }

    std::vector<Picture> m_pictures;
    Bytes m_header;
    std::vector<Bytes> m_changes;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_bDone{false};
    std::atomic<long long> m_nSent{0};
};

} // namespace reliability
