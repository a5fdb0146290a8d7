// The simulated phone: takes pictures from a source, encodes each against what
// the receiver holds, frames it and sends it on the link at the frame rate.
//
// The first frame (and every frame after a new reader connected, and every
// --header-every frames) carries the header and the whole picture; the others
// carry only what changed. Frames are sent on a steady schedule of 1/fps
// seconds; when the line is too slow for it, the scene moves on to the
// present time instead of falling behind.
#pragma once

#include "codec/ScreenEncoder.h"
#include "phone/PhoneLink.h"
#include "phone/PhoneOptions.h"

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

class IPictureSource;

class CPhoneSimulator {
public:
    enum class End { FrameLimit, TimeLimit, Signal, PeerClosed, Failed };

    struct SentFrame {
        std::int64_t nIndex = 0; // frames sent before this one
        bool bHeader = false;    // carried a header and the whole picture
        std::size_t nPayloadBytes = 0;
        const std::vector<std::uint16_t>* pShown; // what the receiver shows after it
    };

    // msClockStart: what the scene's clock reads at the start (ms since the
    // Unix epoch).
    CPhoneSimulator(const PhoneOptions& options, IPictureSource& source, CPhoneLink& link,
                    std::int64_t msClockStart);

    // Called after each frame was written whole.
    void SetObserver(std::function<void(const SentFrame&)> observer) {
        m_observer = std::move(observer);
    }

    // Where notices about readers coming and going go (none when null).
    void SetNoticeStream(std::ostream* pNotices) { m_pNotices = pNotices; }

    End Run();

    std::int64_t FramesSent() const { return m_nFrames; }
    std::int64_t HeaderFrames() const { return m_nHeaderFrames; }
    std::uint64_t BytesSent() const { return m_link.BytesWritten(); }
    double Seconds() const { return m_dSeconds; }
    const std::string& ErrorText() const { return m_strError; }
    // One line for standard error: frames, bytes, time and why it ended.
    std::string Summary(End eEnd) const;

private:
    // Where a run stands: its clock, the next frame's slot, the reader.
    struct Schedule {
        CPhoneLink::Clock::time_point start;
        CPhoneLink::Clock::time_point stopAt;
        CPhoneLink::Clock::duration interval{}; // zero: as fast as the line takes them
        std::int64_t nSlot = 0;                 // the next frame's place in the schedule
        std::int64_t nSinceHeader = 0;
        bool bNeedHeader = true;
        bool bConnected = false;
    };
    // What the wait before a frame came to: send it, look at the limits
    // again, or end the run (the status says why).
    enum class Turn { Send, Again, Stop };

    Schedule MakeSchedule() const;
    double Elapsed(const Schedule& s) const;
    std::optional<End> LimitReached(const Schedule& s) const;
    Turn WaitForTurn(Schedule& s, CPhoneLink::Status& status);
    bool SendNext(Schedule& s, CPhoneLink::Status& status);
    void ReaderLost(Schedule& s);
    void Notice(const char* pszText);
    void SendClosingNotice(End& end);
    bool SendFrame(std::int64_t slot, bool header, CPhoneLink::Status& status);

    const PhoneOptions& m_options;
    IPictureSource& m_source;
    CPhoneLink& m_link;
    std::int64_t m_msClockStart;
    CScreenEncoder m_encoder;
    std::vector<std::uint16_t> m_picture;
    std::vector<std::uint16_t> m_shown;
    std::vector<std::uint8_t> m_payload;
    std::vector<std::uint8_t> m_frame;
    std::function<void(const SentFrame&)> m_observer;
    std::ostream* m_pNotices = nullptr;
    std::int64_t m_nFrames = 0;
    std::int64_t m_nHeaderFrames = 0;
    double m_dSeconds = 0;
    std::string m_strError;
};

// Milliseconds since the Unix epoch of today's local date at the given second
// of the day.
std::int64_t TodayAt(int nSecondOfDay);
